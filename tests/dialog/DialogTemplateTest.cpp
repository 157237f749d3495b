#include <gtest/gtest.h>

#include <QLabel>
#include <QRadioButton>
#include <QStyle>

#include "dialog/Dialog.h"

namespace {

// Every caption of every template is drawn whole inside its place, so no label reads
// "Board serial numbe" on some screen.
TEST(DialogTemplates, EveryCaptionFitsItsPlace)
{
    for (const res::DialogTemplate* dialogTemplate : {&res::MainDlgTemplate, &res::AboutDlgTemplate, &res::TestDlgTemplate}) {
        CDialog dialog(*dialogTemplate, nullptr);
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            if (label->text().isEmpty())
                continue;
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
                << dialogTemplate->id << ": " << label->text().toStdString();
        }
        for (QRadioButton* radio : dialog.findChildren<QRadioButton*>()) {
            const int indicator = radio->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, radio) +
                                  radio->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, radio);
            EXPECT_LE(indicator + radio->fontMetrics().horizontalAdvance(radio->text()), radio->width())
                << dialogTemplate->id << ": " << radio->text().toStdString();
        }
    }
}

}  // namespace
