# The device VM's choice of accelerator, and when to give up on KVM. Sourced by run-vm and by
# its test; pure functions of the environment and of what qemu printed, and when.

# The accelerator to start with: the one TARVIK_VM_ACCEL forces, else KVM where /dev/kvm opens
# (with qemu's own fall-back to TCG when KVM cannot even be set up).
# Usage: first_accel FORCED KVM_USABLE(yes|no)
first_accel() {
  if [ -n "$1" ]; then
    echo "$1"
  elif [ "$2" = yes ]; then
    echo kvm:tcg
  else
    echo tcg
  fi
}

# What to make of a KVM guest's console so far. Prints "booted" once the in-VM script has
# started, "waiting" while it may still start, and "restart: WHY" when KVM cannot run the guest.
# A /dev/kvm that opens is no proof: on nested or paravirtual hosts KVM stops the guest at its
# first unsupported instruction and qemu then waits for ever, so the console and the clock decide.
# Usage: kvm_boot_verdict CONSOLE_FILE ELAPSED_S DEADLINE_S
kvm_boot_verdict() {
  local console=$1 elapsed=$2 deadline=$3 error cause
  if grep -q 'guest: booted' "$console" 2>/dev/null; then
    echo booted
    return
  fi
  error=$(grep -o 'KVM internal error\. Suberror: [0-9]*' "$console" 2>/dev/null | head -n 1 || true)
  if [ -n "$error" ]; then
    cause=$(grep -m 1 -o 'emulation failure' "$console" 2>/dev/null || true)
    echo "restart: $error${cause:+, $cause}"
  elif [ "$elapsed" -ge "$deadline" ]; then
    echo "restart: the guest did not start within $deadline s"
  else
    echo waiting
  fi
}
