#include "Class/UIKit/KXBaseTextField.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records the presses that reach it, to see whether a click travelled past the field.
class PressRecorder : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        ++presses;
        event->accept();
    }
};

TEST(KXBaseTextFieldEvents, ClickEnterAndExitReachTheDelegateInOrder)
{
    KXBaseTextField field("Title");
    std::vector<std::string> calls;
    auto delegate = std::make_shared<KXBaseTextFieldDelegate>();
    delegate->KXBaseTextFieldMousEnter = [&] { calls.push_back("enter"); };
    delegate->KXBaseTextFieldMouseClick = [&] { calls.push_back("click"); };
    delegate->KXBaseTextFieldMouseExited = [&] { calls.push_back("exit"); };
    field.setDelegate(delegate);

    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&field, &enter);
    QTest::mouseClick(&field, Qt::LeftButton);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&field, &leave);
    EXPECT_EQ(calls, (std::vector<std::string>{"enter", "click", "exit"}));
}

TEST(KXBaseTextFieldEvents, ClickWithoutClickHandlerDoesNothingAndStopsThere)
{
    PressRecorder parent;
    auto* field = new KXBaseTextField("Title", &parent);
    auto delegate = std::make_shared<KXBaseTextFieldDelegate>();
    int enters = 0;
    delegate->KXBaseTextFieldMousEnter = [&] { ++enters; };
    field->setDelegate(delegate);
    QTest::mouseClick(field, Qt::LeftButton);
    EXPECT_EQ(parent.presses, 0);
    EXPECT_EQ(enters, 0);
}

TEST(KXBaseTextFieldEvents, DelegateIsHeldWeakly)
{
    KXBaseTextField field("Title");
    int clicks = 0;
    {
        auto delegate = std::make_shared<KXBaseTextFieldDelegate>();
        delegate->KXBaseTextFieldMouseClick = [&] { ++clicks; };
        field.setDelegate(delegate);
    }
    QTest::mouseClick(&field, Qt::LeftButton);
    EXPECT_EQ(clicks, 0);
}

TEST(KXBaseTextFieldEditing, KeysAndDoubleClicksNeverChangeOrSelectTheText)
{
    KXBaseTextField field("Fixed title");
    field.show();
    QTest::mouseDClick(&field, Qt::LeftButton);
    QTest::keyClicks(&field, "typed");
    QTest::keyClick(&field, Qt::Key_Backspace);
    EXPECT_EQ(field.text(), "Fixed title");
    EXPECT_FALSE(field.hasSelectedText());
    EXPECT_FALSE(field.hasFocus());
}

} // namespace
