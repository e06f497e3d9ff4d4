#include <QAccessible>
#include <QCoreApplication>

#include "ProgramFixture.h"
#include "frmLargeStack.h"

namespace quorva {
namespace {

// Qt makes these interfaces for a reader; the events they send are seen by the AT-SPI client of
// the end-to-end tests, since this platform delivers none.
class AccessibleTest : public ProgramFixture {
protected:
    QString Level(int q) { return QString::fromStdString(Calc().Stack().GetItem(Count() - q + 1).text); }
};

TEST_F(AccessibleTest, TheWindowReadsLineByLineAndItsZonesArePressed) {
    Start();
    Type("1\r2\r3");
    QAccessibleInterface* w = QAccessible::queryAccessibleInterface(&W());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->role(), QAccessible::Window);
    EXPECT_EQ(w->text(QAccessible::Name), "Quorva");
    const struct {
        const char* name;
        QString text;  // for the lines
    } children[] = {{"entry line", "3"},      {"stack level 1", Level(1)}, {"stack level 2", Level(2)},
                    {"stack level 3", ""},    {"stack level 4", ""},       {"stack level 5", ""},
                    {"Always on top", {}},    {"Hide", {}},                {"Angle mode", {}},
                    {"Decimal places", {}},   {"Large stack", {}},         {"Functions and Settings", {}}};
    ASSERT_EQ(w->childCount(), 12);
    for (int i = 0; i < 12; ++i) {
        QAccessibleInterface* c = w->child(i);
        ASSERT_NE(c, nullptr);
        SCOPED_TRACE(children[i].name);
        EXPECT_EQ(c->text(QAccessible::Name), children[i].name);
        EXPECT_EQ(c->parent(), w);
        EXPECT_EQ(w->indexOfChild(c), i);
        // A point of the child is the child: readers that follow the pointer find each line.
        EXPECT_EQ(w->childAt(c->rect().center().x(), c->rect().center().y()), c);
        if (i < 6) {
            EXPECT_EQ(c->role(), QAccessible::StaticText);
            ASSERT_NE(c->textInterface(), nullptr);
            EXPECT_EQ(c->textInterface()->text(0, -1), children[i].text);
        } else {
            EXPECT_EQ(c->role(), QAccessible::Button);
            ASSERT_NE(c->actionInterface(), nullptr);
            EXPECT_EQ(c->actionInterface()->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
        }
    }
    EXPECT_TRUE(w->child(0)->state().focused == W().hasFocus());

    // A press is carried out after the reader's call, as a click.
    QAccessibleInterface* large = w->child(10);
    large->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(P().LargeStackWindow(), nullptr);
    QCoreApplication::processEvents();
    ASSERT_NE(P().LargeStackWindow(), nullptr);
    EXPECT_TRUE(P().LargeStackWindow()->isVisible());
    QAccessibleInterface* onTop = w->child(6);
    const bool wasOnTop = W().IsOnTop();
    EXPECT_TRUE(onTop->state().checkable);
    EXPECT_EQ(bool(onTop->state().checked), wasOnTop);
    onTop->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCoreApplication::processEvents();
    EXPECT_NE(W().IsOnTop(), wasOnTop);
    EXPECT_EQ(bool(onTop->state().checked), !wasOnTop);
}

}  // namespace
}  // namespace quorva
