#include "platform/shell/FileOperation.h"

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QProgressDialog* VisibleProgressDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QProgressDialog*>(widget); dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

TEST(ProgressDialog, AppearsOnlyOnceTheWorkLastsAndItsCancelStopsTheWork)
{
    auto progress = platform::MakeProgressDialog("copy");
    progress->addWork(1000);
    EXPECT_TRUE(progress->beginItem("/quick/one"));
    EXPECT_EQ(VisibleProgressDialog(), nullptr);
    QTest::qWait(450);
    EXPECT_TRUE(progress->beginItem("/slow/\xff\xfe.txt"));
    EXPECT_TRUE(progress->advance(500));
    QProgressDialog* dialog = VisibleProgressDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "copy");
    EXPECT_EQ(dialog->labelText(), QString::fromUtf8("/slow/\xef\xbf\xbd\xef\xbf\xbd.txt"));
    QPushButton* cancel = dialog->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), "Cancel");
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_FALSE(progress->advance(1));
    EXPECT_FALSE(progress->beginItem("/slow/next"));
    progress.reset();
    EXPECT_EQ(VisibleProgressDialog(), nullptr);
}

} // namespace
