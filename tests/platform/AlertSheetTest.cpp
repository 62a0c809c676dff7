#include "platform/ui/AlertSheet.h"

#include "TestSupport.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

TEST(AlertSheet, IsAWindowModalBoxOnTheViewsWindowWithOneDefaultButton)
{
    QWidget window;
    auto *view = new QWidget(&window);
    (new QVBoxLayout(&window))->addWidget(view);
    window.show();

    QMessageBox *box = platform::beginAlertSheet(view, QStringLiteral("Title <b>"),
                                                 QStringLiteral("Message <i>with</i> markup & 100% of it"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->parentWidget(), &window);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    ASSERT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Ok));
    EXPECT_EQ(box->text(), QStringLiteral("Title <b>"));
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    auto *informative = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel"));
    ASSERT_NE(informative, nullptr);
    EXPECT_EQ(informative->text(), QStringLiteral("Message <i>with</i> markup & 100% of it"));
    EXPECT_EQ(informative->textFormat(), Qt::PlainText);

    // Answering it closes and deletes it.
    QPointer<QMessageBox> guard(box);
    QTest::mouseClick(box->defaultButton(), Qt::LeftButton);
    EXPECT_TRUE(corvane::test::waitFor([&] { return guard.isNull(); }));
    EXPECT_TRUE(window.findChildren<QMessageBox *>().isEmpty());
}
