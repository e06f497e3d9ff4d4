#include "Accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QStringList>
#include <QWindow>

#include <array>

#include "frmQuorva.h"

namespace quorva::accessible {

namespace {

constexpr int kStackLines = 5;
constexpr int kLines = 1 + kStackLines;  // line 0 is the entry line, line L is stack level L

// What the display shows on a line: the stack display's top line is level 5, its bottom line
// level 1. An empty level shows a blank, which is read as nothing.
QString Shown(const frmQuorva& w, int line) {
    if (line == 0) return w.lblEntryDisplay->text().trimmed();
    const QStringList rows = w.lblStackDisplay->text().split(QLatin1Char('\n'));
    const int row = kStackLines - line;
    return row < rows.size() ? rows[row].trimmed() : QString();
}

QString LineName(int line) {
    return line == 0 ? QStringLiteral("entry line") : QStringLiteral("stack level %1").arg(line);
}

class MainWindowAccessible;
MainWindowAccessible* Of(frmQuorva& w);

// One line of a display: it has no widget of its own, its text is read from the label.
class DisplayLine final : public QAccessibleInterface, public QAccessibleTextInterface {
public:
    DisplayLine(frmQuorva& w, int line) : window_(&w), line_(line) {}

    bool isValid() const override { return !window_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return window_ ? window_->windowHandle() : nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return window_ ? QAccessible::queryAccessibleInterface(window_.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessible::Role role() const override { return QAccessible::StaticText; }

    QString text(QAccessible::Text t) const override {
        if (!window_) return {};
        switch (t) {
        case QAccessible::Name:
            return LineName(line_);
        case QAccessible::Value:
            return Text();
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        if (!window_) return {};
        const QLabel* label = line_ == 0 ? window_->lblEntryDisplay : window_->lblStackDisplay;
        const QRect whole(label->mapToGlobal(QPoint(0, 0)), label->size());
        if (line_ == 0) return whole;
        const int height = QFontMetrics(label->font()).lineSpacing();
        return QRect(whole.left(), whole.top() + (kStackLines - line_) * height, whole.width(), height);
    }

    QAccessible::State state() const override {
        QAccessible::State s;
        if (!window_ || !window_->isVisible()) {
            s.invisible = true;
            return s;
        }
        s.readOnly = true;
        if (line_ == 0) {
            // Keys typed into the window go to the entry line.
            s.focusable = true;
            s.focused = window_->hasFocus();
        }
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface*>(this) : nullptr;
    }

    QString Text() const { return window_ ? Shown(*window_, line_) : QString(); }

    // The text interface: read-only, no caret, no selection.
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override {
        const QString all = Text();
        if (end < 0 || end > all.size()) end = all.size();
        return start < 0 || start >= end ? QString() : all.mid(start, end - start);
    }
    int characterCount() const override { return static_cast<int>(Text().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return {};
    }

private:
    QPointer<frmQuorva> window_;
    const int line_;
};

// The zones, in the order a reader lists them.
std::array<QLabel*, 6> Zones(const frmQuorva& w) {
    return {w.lblOnTop, w.lblQuit, w.lblDeg, w.lblDecimal, w.lblLargeStack, w.lblFunctions};
}

// A zone is a button: pressing it through the reader clicks it.
class ZoneAccessible final : public QAccessibleWidget {
public:
    ZoneAccessible(frmQuorva& w, QLabel* zone) : QAccessibleWidget(zone, QAccessible::Button), window_(&w) {}

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (window_ && widget() == window_->lblOnTop) {
            s.checkable = true;
            s.checked = window_->IsOnTop();
        }
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (action != pressAction() || !window_) return;
        // After the reader's call has its answer: a zone may open a window or ask a question.
        QPointer<QLabel> zone = static_cast<QLabel*>(widget());
        QMetaObject::invokeMethod(
            window_.data(), [w = window_, zone] { if (w && zone) w->PressZone(zone); }, Qt::QueuedConnection);
    }
    QStringList keyBindingsForAction(const QString& action) const override {
        if (action != pressAction() || !window_) return {};
        if (widget() == window_->lblFunctions) return {QStringLiteral("F1")};
        if (widget() == window_->lblLargeStack) return {QStringLiteral("F2")};
        return {};
    }

private:
    QPointer<frmQuorva> window_;
};

// The calculator's window: its children are the six lines, then the zones.
class MainWindowAccessible final : public QAccessibleWidget {
public:
    explicit MainWindowAccessible(frmQuorva& w) : QAccessibleWidget(&w, QAccessible::Window) {
        for (int i = 0; i < kLines; ++i) {
            lines_[i] = new DisplayLine(w, i);
            ids_[i] = QAccessible::registerAccessibleInterface(lines_[i]);
        }
    }
    ~MainWindowAccessible() override {
        for (QAccessible::Id id : ids_) {
            if (QAccessible::accessibleInterface(id) != nullptr) QAccessible::deleteAccessibleInterface(id);
        }
    }

    frmQuorva& W() const { return *static_cast<frmQuorva*>(widget()); }

    int childCount() const override { return kLines + static_cast<int>(Zones(W()).size()); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0) return nullptr;
        if (index < kLines) return lines_[index];
        const auto zones = Zones(W());
        return index - kLines < static_cast<int>(zones.size())
                   ? QAccessible::queryAccessibleInterface(zones[index - kLines]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (int i = 0; i < childCount(); ++i) {
            if (this->child(i) == child) return i;
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (int i = childCount() - 1; i >= 0; --i) {
            QAccessibleInterface* c = child(i);
            if (c != nullptr && c->rect().contains(x, y)) return c;
        }
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override { return W().hasFocus() ? lines_[0] : nullptr; }

    void Changing() {
        if (pending_) return;
        pending_ = true;
        before_ = Now();
        QPointer<frmQuorva> w = &W();
        QMetaObject::invokeMethod(
            w.data(), [w] { if (w) if (MainWindowAccessible* me = Of(*w)) me->Tell(); }, Qt::QueuedConnection);
    }

    void Focused() {
        QPointer<frmQuorva> w = &W();
        // After Qt's own focus event for the window, which would otherwise be the last word.
        QMetaObject::invokeMethod(
            w.data(),
            [w] {
                if (!w || !w->hasFocus()) return;
                if (MainWindowAccessible* me = Of(*w)) {
                    QAccessibleEvent focus(me->lines_[0], QAccessible::Focus);
                    QAccessible::updateAccessibility(&focus);
                }
            },
            Qt::QueuedConnection);
    }

private:
    struct Seen {
        std::array<QString, kLines> lines;
        QString angle, places, onTop;  // the zones' descriptions
        bool isOnTop = false;
    };
    Seen Now() const {
        const frmQuorva& w = W();
        Seen s;
        for (int i = 0; i < kLines; ++i) s.lines[i] = Shown(w, i);
        s.angle = w.lblDeg->toolTip();
        s.places = w.lblDecimal->toolTip();
        s.onTop = w.lblOnTop->toolTip();
        s.isOnTop = w.IsOnTop();
        return s;
    }

    void Tell() {
        pending_ = false;
        const Seen now = Now();
        // Level 1 first: it holds the result.
        for (int i : {1, 2, 3, 4, 5, 0}) {
            if (now.lines[i] == before_.lines[i]) continue;
            QAccessibleTextUpdateEvent update(lines_[i], 0, before_.lines[i], now.lines[i]);
            QAccessible::updateAccessibility(&update);
        }
        frmQuorva& w = W();
        const struct {
            QLabel* zone;
            const QString& before;
            const QString& now;
        } described[] = {{w.lblDeg, before_.angle, now.angle},
                         {w.lblDecimal, before_.places, now.places},
                         {w.lblOnTop, before_.onTop, now.onTop}};
        for (const auto& d : described) {
            if (d.before == d.now) continue;
            QAccessibleEvent event(d.zone, QAccessible::DescriptionChanged);
            QAccessible::updateAccessibility(&event);
        }
        if (now.isOnTop != before_.isOnTop) {
            QAccessible::State checked;
            checked.checked = true;
            QAccessibleStateChangeEvent event(w.lblOnTop, checked);
            QAccessible::updateAccessibility(&event);
        }
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        // The result is said whatever the reader is looking at; a message (an error, a help
        // text) is said when the stack stayed as it was.
        QString said;
        if (now.lines[1] != before_.lines[1]) {
            said = now.lines[1];
        } else if (now.lines[0] != before_.lines[0] && w.EntryTimer().isActive()) {
            said = now.lines[0];
        }
        if (!said.isEmpty()) {
            QAccessibleAnnouncementEvent announcement(&w, said);
            QAccessible::updateAccessibility(&announcement);
        }
#endif
    }

    std::array<DisplayLine*, kLines> lines_{};
    std::array<QAccessible::Id, kLines> ids_{};
    bool pending_ = false;
    Seen before_;
};

MainWindowAccessible* Of(frmQuorva& w) {
    return dynamic_cast<MainWindowAccessible*>(QAccessible::queryAccessibleInterface(&w));
}

QAccessibleInterface* Factory(const QString&, QObject* object) {
    // The window classes have no meta-object of their own: they are known by their type.
    if (auto* main = dynamic_cast<frmQuorva*>(object)) return new MainWindowAccessible(*main);
    if (auto* label = qobject_cast<QLabel*>(object)) {
        if (auto* main = dynamic_cast<frmQuorva*>(label->parentWidget())) {
            for (QLabel* zone : Zones(*main)) {
                if (zone == label) return new ZoneAccessible(*main, label);
            }
        }
    }
    return nullptr;
}

}  // namespace

void Install() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    QAccessible::installFactory(Factory);
}

void WindowChanging(frmQuorva& window) {
    if (MainWindowAccessible* me = Of(window)) me->Changing();
}

void WindowFocused(frmQuorva& window) {
    if (MainWindowAccessible* me = Of(window)) me->Focused();
}

}  // namespace quorva::accessible
