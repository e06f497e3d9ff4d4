// The floor for any Qt 6 Widgets program here: a window of a few labels and the least a
// calculator can do with keys (digits, Enter, "+", Ctrl+C copies the top), built by
// bench/desktop/compare.sh with nothing but QtWidgets.

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include <vector>

#include "../../system/Trace.h"  // QUORVA_TRACE: the marks bench/desktop/phases.sh reads

namespace {

class BareWindow : public QWidget {
public:
    BareWindow() {
        setWindowTitle(QStringLiteral("Bare Qt"));
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(QStringLiteral("A bare Qt 6 window"), this));
        layout->addWidget(stack_);
        layout->addWidget(entry_);
        layout->addWidget(new QLabel(QStringLiteral("digits, Enter, +, Ctrl+C"), this));
        stack_->setAlignment(Qt::AlignRight);
        entry_->setAlignment(Qt::AlignRight);
        resize(262, 188);
    }

protected:
    void paintEvent(QPaintEvent*) override { quorva::trace::Mark("first paint"); }
    void keyPressEvent(QKeyEvent* e) override {
        if (e->matches(QKeySequence::Copy)) {
            if (!values_.empty()) QGuiApplication::clipboard()->setText(QString::number(values_.back(), 'g', 15));
            return;
        }
        const QString t = e->text();
        if (t.size() == 1 && t[0].isDigit()) {
            entryText_ += t;
        } else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            Push();
        } else if (t == QLatin1String("+")) {
            Push();
            if (values_.size() >= 2) {
                const double top = values_.back();
                values_.pop_back();
                values_.back() += top;
            }
        } else {
            return;
        }
        stack_->setText(values_.empty() ? QString() : QString::number(values_.back(), 'g', 15));
        entry_->setText(entryText_);
    }

private:
    void Push() {
        if (entryText_.isEmpty()) return;
        values_.push_back(entryText_.toDouble());
        entryText_.clear();
    }

    QLabel* stack_ = new QLabel(this);
    QLabel* entry_ = new QLabel(this);
    QString entryText_;
    std::vector<double> values_;
};

}  // namespace

int main(int argc, char** argv) {
    quorva::trace::Mark("main");
    QApplication app(argc, argv);
    quorva::trace::Mark("QApplication");
    BareWindow window;
    window.show();
    quorva::trace::Mark("main window shown");
    return QApplication::exec();
}
