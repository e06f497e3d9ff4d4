#pragma once
// The Functions and Settings window and the large stack window as far as the main window needs
// them: they show and hide, forward typed keys, and the large one lists the stack.

#include <QWidget>

class QListWidget;

namespace quorva {

class Program;

class frmCommands : public QWidget {
public:
    explicit frmCommands(Program& program);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Program& program_;
};

class frmLargeStack : public QWidget {
public:
    explicit frmLargeStack(Program& program);
    QListWidget* const lstLargeStack;
    // Repaint what the View bits name.
    void Refresh(unsigned views);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Program& program_;
};

}  // namespace quorva
