#include "frmCommands.h"

#include "Window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHideEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "Commands.h"
#include "Host.h"
#include "Keys.h"
#include "Settings.h"
#include "Version.h"
#include "frmQuorva.h"

namespace quorva {

namespace {

const QColor kDarkBlue(0, 0, 0x80);  // &H800000

QFont Font(const char* family, double points, bool bold) {
    QFont f(QString::fromLatin1(family));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

QString Lines(const char* const* first, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += first[i];
        text += "\r\n";
    }
    return LabelText(text);
}

// The picture of the " Controls " page: the four function keys the help below them names.
QPixmap FunctionKeysPicture() {
    const int key = 30;
    const int gap = 6;
    QPixmap pixmap(4 * key + 3 * gap + 2, key + 4);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(Font("Arial", 8, true));
    for (int i = 0; i < 4; ++i) {
        const QRectF r(1 + i * (key + gap), 1, key, key);
        p.setPen(QPen(QColor(0x60, 0x66, 0x70), 1));
        p.setBrush(QColor(0xF4, 0xF5, 0xF7));
        p.drawRoundedRect(r, 4, 4);
        p.setPen(QPen(QColor(0xD0, 0xD3, 0xD8), 1));
        p.drawLine(r.bottomLeft() + QPointF(3, -2), r.bottomRight() + QPointF(-3, -2));
        p.setPen(kDarkBlue);
        p.drawText(r.adjusted(0, -2, 0, -2), Qt::AlignCenter, QStringLiteral("F%1").arg(i + 1));
    }
    return pixmap;
}

// A thin rectangle around a group of controls (its colour is the frame's own, not its
// texts').
QFrame* Group(QWidget* parent, QVBoxLayout*& inside) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(QStringLiteral("group"));
    frame->setStyleSheet(QStringLiteral("#group { border: 1px solid #b8bcc4; }"));
    inside = new QVBoxLayout(frame);
    inside->setContentsMargins(10, 6, 10, 6);
    inside->setSpacing(2);
    return frame;
}

QLabel* Note(QWidget* parent, const char* text) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setTextFormat(Qt::PlainText);
    label->setContentsMargins(22, 0, 0, 0);  // under the box's text, past its tick
    return label;
}

}  // namespace

const std::array<const char*, 13>& KeyboardHelp1() {
    static const std::array<const char*, 13> lines = {
        "<Enter> : validate input line / duplicate last item or selected item",
        "<ESC> : abort line input / select last item",
        "<cursor up> : select previous item",
        "<cursor down> : select next item",
        "",
        "<CTRL-c> : copy selected item or last item to clipboard",
        "<CTRL-v> : paste clipboard to line input",
        "",
        "<backspace> : edit line input",
        "<delete> : same as d (drop)",
        "",
        "&& : start hexadecimal input",
        "' : start binary input",
    };
    return lines;
}

const std::array<const char*, 4>& KeyboardHelp2() {
    static const std::array<const char*, 4> lines = {
        "F1 : show/hide this screen",
        "F2 : show/hide large stack display",
        "F3 : radians/degrees",
        "F4 : set decimal places",
    };
    return lines;
}

frmCommands::frmCommands(FunctionsOwner& program)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint),
      lstFunctions(new QListWidget(this)),
      tabOptions(new QTabWidget(this)),
      program_(program) {
    setObjectName(QStringLiteral("frmCommands"));
    setWindowTitle(QStringLiteral("Quorva " QUORVA_VERSION " - Functions and Settings"));
    setWindowIcon(QIcon(QStringLiteral(":/quorva.png")));
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(PixelsX(10245), PixelsY(8310));

    // The command list: 39 rows of one height, all in sight.
    const int rowHeight = program.FunctionListRowHeight();
    lstFunctions->setObjectName(QStringLiteral("lstFunctions"));
    lstFunctions->setAccessibleName(QStringLiteral("Functions"));
    lstFunctions->setGeometry(PixelsX(45), PixelsY(45), PixelsX(3450), PixelsY(8220));
    lstFunctions->setFont(Font("Courier New", 8.25, true));
    lstFunctions->setFocusPolicy(Qt::NoFocus);
    lstFunctions->setUniformItemSizes(true);
    lstFunctions->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstFunctions->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette lp = lstFunctions->palette();
    lp.setColor(QPalette::Base, Qt::white);
    lp.setColor(QPalette::Text, kDarkBlue);
    lstFunctions->setPalette(lp);
    for (const std::string& help : CommandHelp()) {
        // Two blanks before every help text; a separator row is three blanks.
        auto* item = new QListWidgetItem(QString::fromStdString("  " + help), lstFunctions);
        item->setSizeHint(QSize(PixelsX(3450) - 4, rowHeight));
    }
    lstFunctions->viewport()->setMouseTracking(true);
    lstFunctions->viewport()->installEventFilter(this);

    tabOptions->setObjectName(QStringLiteral("tabOptions"));
    tabOptions->setGeometry(PixelsX(3645), PixelsY(165), PixelsX(6510), PixelsY(6525));
    tabOptions->tabBar()->setFont(Font("Arial", 9.75, true));
    fStrip = {MakeSkinsPage(), MakeLaunchPage(), MakeControlsPage(), MakeDecimalPage(), MakeExitPage()};
    const char* const captions[] = {" Skins ", " At launch ", " Controls ", " Decimal ", " On exit "};
    for (int i = 0; i < 5; ++i) {
        fStrip[i]->setObjectName(QStringLiteral("fStrip(%1)").arg(i));
        fStrip[i]->setAutoFillBackground(true);
        QPalette pp = fStrip[i]->palette();
        pp.setColor(QPalette::Window, Qt::white);
        fStrip[i]->setPalette(pp);
        tabOptions->addTab(fStrip[i], QString::fromLatin1(captions[i]));
    }
    tabOptions->setCurrentIndex(0);
    QObject::connect(tabOptions, &QTabWidget::currentChanged, this, [this](int i) { tabOptions_Click(i); });

    // The logo lies over the lower right corner of every page.
    picLogo = new QLabel(this);
    picLogo->setObjectName(QStringLiteral("picLogo"));
    picLogo->setGeometry(PixelsX(8760), PixelsY(5295), PixelsX(1200), PixelsY(1200));
    picLogo->setPixmap(QIcon(QStringLiteral(":/quorva.png")).pixmap(picLogo->size()));
    picLogo->setAlignment(Qt::AlignCenter);
    picLogo->setAttribute(Qt::WA_TransparentForMouseEvents);
    picLogo->raise();

    cmdInternet = new QPushButton(QStringLiteral("View webpage (skins, latest version)"), this);
    cmdInternet->setObjectName(QStringLiteral("cmdInternet"));
    const int buttonWidth = std::max(PixelsX(3045), cmdInternet->sizeHint().width() + 16);
    const int tabCentre = tabOptions->geometry().center().x();
    cmdInternet->setGeometry(tabCentre - buttonWidth / 2, PixelsY(7680), buttonWidth,
                             std::max(PixelsY(450), cmdInternet->sizeHint().height()));
    cmdInternet->setToolTip(WebPage().isEmpty() ? QStringLiteral("The documentation is not installed")
                                                : WebPage().toString(QUrl::PreferLocalFile));
    QObject::connect(cmdInternet, &QPushButton::clicked, this, [this] { cmdInternet_Click(); });

    for (const OptionInfo& info : OptionTable()) ShowOption(info.id, program_.Options().Value(info.id));
    optionsToken_ = program_.Options().Subscribe([this](Option id, int16_t v) { ShowOption(id, v); });

    // Every key reaches the calculator first, whichever control has the focus.
    for (QWidget* child : findChildren<QWidget*>()) {
        if (child->focusPolicy() != Qt::NoFocus) child->installEventFilter(this);
    }
    RereadSkins();
    Refresh(kViewFunctionRow);
}

frmCommands::~frmCommands() { program_.Options().Unsubscribe(optionsToken_); }

int frmCommands::PixelsX(double twips) const {
    return static_cast<int>(std::lround(twips / program_.TwipsX()));
}
int frmCommands::PixelsY(double twips) const {
    return static_cast<int>(std::lround(twips / program_.TwipsY()));
}

QCheckBox* frmCommands::MakeCheckBox(Option id, const char* text) {
    auto* box = new QCheckBox(QString::fromLatin1(text));
    box->setObjectName(QString::fromLatin1(InfoOf(id).control));
    boxes_[static_cast<size_t>(id)] = box;
    QObject::connect(box, &QCheckBox::stateChanged, this, [this, id](int state) {
        program_.Options().Set(id, state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0);
    });
    return box;
}

void frmCommands::ShowOption(Option id, int16_t value) {
    if (id == Option::Transparency) {
        const QSignalBlocker quiet(scrTransp);
        scrTransp->setValue(value);
        return;
    }
    QCheckBox* box = CheckBox(id);
    if (box == nullptr) return;
    const QSignalBlocker quiet(box);
    // A box also takes the value 2, shown greyed.
    box->setTristate(value == 2);
    box->setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

QWidget* frmCommands::MakeSkinsPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(14, 14, 14, 14);

    auto* picture1 = new QWidget(page);
    picture1->setObjectName(QStringLiteral("Picture1"));
    auto* row = new QHBoxLayout(picture1);
    row->setContentsMargins(0, 0, 0, 0);
    flstSkins = new QListWidget(picture1);
    flstSkins->setObjectName(QStringLiteral("flstSkins"));
    flstSkins->setAccessibleName(QStringLiteral("Skins"));
    flstSkins->setFixedHeight(PixelsY(2700));
    // An empty list says where skins go.
    noSkins_ = new QLabel(flstSkins->viewport());
    noSkins_->setObjectName(QStringLiteral("noSkins"));
    noSkins_->setWordWrap(true);
    noSkins_->setTextFormat(Qt::PlainText);
    noSkins_->setAlignment(Qt::AlignCenter);
    noSkins_->setMargin(10);
    QPalette hint = noSkins_->palette();
    hint.setColor(QPalette::WindowText, QColor(0x80, 0x84, 0x8C));
    noSkins_->setPalette(hint);
    (new QVBoxLayout(flstSkins->viewport()))->addWidget(noSkins_);
    row->addWidget(flstSkins, 1);
    auto* buttons = new QVBoxLayout;
    cmdChangeSkin = new QPushButton(QStringLiteral("Change skin"), picture1);
    cmdChangeSkin->setObjectName(QStringLiteral("cmdChangeSkin"));
    cmdDefaultSkin = new QPushButton(QStringLiteral("Set default skin"), picture1);
    cmdDefaultSkin->setObjectName(QStringLiteral("cmdDefaultSkin"));
    buttons->addWidget(cmdChangeSkin);
    buttons->addWidget(cmdDefaultSkin);
    buttons->addStretch(1);
    row->addLayout(buttons);
    layout->addWidget(picture1);
    QObject::connect(cmdChangeSkin, &QPushButton::clicked, this, [this] { cmdChangeSkin_Click(); });
    QObject::connect(cmdDefaultSkin, &QPushButton::clicked, this, [this] { cmdDefaultSkin_Click(); });
    QObject::connect(flstSkins, &QListWidget::itemDoubleClicked, this, [this] { cmdChangeSkin_Click(); });

    layout->addSpacing(18);
    Label1 = new QLabel(QStringLiteral("Transparency    (on X11 it needs a compositing manager)"), page);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    layout->addWidget(Label1);
    scrTransp = new QScrollBar(Qt::Horizontal, page);
    scrTransp->setObjectName(QStringLiteral("scrTransp"));
    scrTransp->setAccessibleName(QStringLiteral("Transparency"));
    // Below 50 the calculator could no longer be found on the screen.
    scrTransp->setRange(kTransparencyMin, kTransparencyMax);
    scrTransp->setSingleStep(1);
    scrTransp->setPageStep(25);
    scrTransp->setMinimumHeight(18);
    scrTransp->setToolTip(QStringLiteral("Opacity of the calculator; translucency needs a compositing desktop"));
    QObject::connect(scrTransp, &QScrollBar::valueChanged, this, [this](int v) { scrTransp_Change(v); });
    layout->addWidget(scrTransp);
    lblTranspNote = new QLabel(page);
    lblTranspNote->setObjectName(QStringLiteral("lblTranspNote"));
    lblTranspNote->setTextFormat(Qt::PlainText);
    lblTranspNote->setWordWrap(true);
    layout->addWidget(lblTranspNote);
    ShowTranslucencyNote();
    layout->addStretch(1);
    return page;
}

QWidget* frmCommands::MakeLaunchPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(8);
    layout->addWidget(MakeCheckBox(Option::OnTop, "Always on top"));
    layout->addWidget(MakeCheckBox(Option::ShowFunctions, "Show functions window"));
    layout->addWidget(MakeCheckBox(Option::Hide, "Start minimized"));
    layout->addStretch(1);
    return page;
}

QWidget* frmCommands::MakeControlsPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(10);
    const QFont help = Font("Arial", 8.25, false);
    txtHelp1 = new QLabel(Lines(KeyboardHelp1().data(), KeyboardHelp1().size()), page);
    txtHelp1->setObjectName(QStringLiteral("txtHelp1"));
    txtHelp1->setTextFormat(Qt::PlainText);
    txtHelp1->setFont(help);
    layout->addWidget(txtHelp1);
    auto* row = new QHBoxLayout;
    txtHelp2 = new QLabel(Lines(KeyboardHelp2().data(), KeyboardHelp2().size()), page);
    txtHelp2->setObjectName(QStringLiteral("txtHelp2"));
    txtHelp2->setTextFormat(Qt::PlainText);
    txtHelp2->setFont(help);
    row->addWidget(txtHelp2);
    auto* keys = new QLabel(page);
    keys->setObjectName(QStringLiteral("picKeys"));
    keys->setPixmap(FunctionKeysPicture());
    keys->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    row->addWidget(keys);
    row->addStretch(1);
    layout->addLayout(row);
    layout->addStretch(1);
    return page;
}

QWidget* frmCommands::MakeDecimalPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(10);
    QVBoxLayout* inside = nullptr;
    QFrame* fill = Group(page, inside);
    inside->addWidget(MakeCheckBox(Option::FillDecimals, "Fill with \"0\" to the desired decimal rank"));
    inside->addWidget(Note(fill, "enabled : 5 is displayed 5.00 (if set to 2 decimals)"));
    inside->addWidget(Note(fill, "disabled : 5 is displayed 5 (even if set to 2 decimals)"));
    layout->addWidget(fill);
    QFrame* precision = Group(page, inside);
    inside->addWidget(MakeCheckBox(Option::FullPrecision, "Keep internally the full precision"));
    inside->addWidget(Note(precision, "enabled : 1/3=0.33 ; then *100=33.33 (if set to 2 decimals) "));
    inside->addWidget(Note(precision, "disabled : 1/3=0.33 ; then *100=33 (if set to 2 decimals) "));
    layout->addWidget(precision);
    QFrame* display = Group(page, inside);
    inside->addWidget(MakeCheckBox(Option::DecUpdate, "Update stack when changing decimal rank"));
    inside->addWidget(MakeCheckBox(Option::EngFormat, "Show numbers in engineering format"));
    layout->addWidget(display);
    layout->addStretch(1);
    return page;
}

QWidget* frmCommands::MakeExitPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(8);
    layout->addWidget(MakeCheckBox(Option::DirectExit, "Directly exit Quorva when using the \"hide\" button"));
    layout->addWidget(MakeCheckBox(Option::ConfirmExit, "Ask for a confirmation before exiting Quorva"));
    layout->addWidget(MakeCheckBox(Option::KeepStack, "Keep the stack when quitting"));
    layout->addStretch(1);
    return page;
}

QString frmCommands::WebPagePath() {
    // Only beside the program, never a path of the tree it was built in: a packaged program
    // must not open a page that whoever owns that folder may have replaced.
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/" QUORVA_DATA_FROM_BIN "/doc/quorva/quorva.html"));
}

QUrl frmCommands::WebPage() {
    const QFileInfo info(WebPagePath());
    return info.isFile() ? QUrl::fromLocalFile(info.canonicalFilePath()) : QUrl();
}

void frmCommands::Refresh(unsigned views) {
    if ((views & kViewFunctionRow) == 0) return;
    const int row = program_.Calc().FunctionRow();
    if (row >= 0 && row < lstFunctions->count()) {
        lstFunctions->setCurrentRow(row);
    } else {
        lstFunctions->setCurrentRow(-1);
        lstFunctions->clearSelection();
    }
}

void frmCommands::RereadSkins() {
    const QString chosen = flstSkins->currentItem() ? flstSkins->currentItem()->text() : QString();
    flstSkins->clear();
    std::set<QString> seen;
    // The program's own folder first: a name found there hides the same name further on.
    for (const std::string& folder : program_.SkinFolderList().folders) {
        const QDir dir(QString::fromStdString(folder));
        const QStringList names =
            dir.entryList({QString::fromLatin1(kSkinPattern)}, QDir::Files | QDir::Readable, QDir::Name);
        for (const QString& name : names) {
            if (!seen.insert(name).second) continue;
            auto* item = new QListWidgetItem(name, flstSkins);
            item->setData(Qt::UserRole, dir.absoluteFilePath(name));
            item->setToolTip(dir.absoluteFilePath(name));
            if (name == chosen) flstSkins->setCurrentItem(item);
        }
    }
    QStringList where;
    for (const std::string& folder : program_.SkinFolderList().folders) where << QString::fromStdString(folder);
    noSkins_->setText(QStringLiteral("No skins found.\nSkins (*.qsd and their pictures) go in\n") +
                      where.join(QStringLiteral("\nor\n")));
    noSkins_->setVisible(flstSkins->count() == 0);
}

void frmCommands::MoveTopLeft() {
    // A hidden window has no frame on X11, so a move would put the client area, not the
    // frame, at 0,0 and the title bar off the screen: use the frame seen when it was shown.
    if (frameOffset_.x() >= 0 && windowHandle() != nullptr) {
        setGeometry(QRect(frameOffset_, size()));
    } else {
        move(0, 0);
    }
}

void frmCommands::hideEvent(QHideEvent* event) {
    const QPoint offset = geometry().topLeft() - frameGeometry().topLeft();
    if (offset.x() >= 0 && offset.y() >= 0 && offset != QPoint(0, 0)) frameOffset_ = offset;
    QWidget::hideEvent(event);
}

int frmCommands::RowAt(int y) const {
    const int height = program_.FunctionListRowHeight();
    if (y < 0 || height <= 0) return -1;
    return y / height;
}

void frmCommands::lstFunctions_MouseMove(int y) {
    const int row = RowAt(y);
    // The separator rows and the space under the last row leave the highlight where it is.
    const bool command = (row >= 0 && row <= 16) || (row >= 18 && row <= 24) ||
                         (row >= 26 && row <= 32) || (row >= 34 && row <= 38);
    if (command && row != program_.Calc().FunctionRow()) program_.Calc().SetFunctionRow(row);
}

void frmCommands::lstFunctions_MouseDown(int y) {
    // The press selects the row under it, a separator row too, as a list does.
    const int row = RowAt(y);
    if (row >= 0 && row < kFunctionRows) program_.Calc().SetFunctionRow(row);
    lstFunctions_DblClick();
}

void frmCommands::lstFunctions_DblClick() { quorva::RunFunctionRow(program_.Calc()); }

void frmCommands::tabOptions_Click(int) { picLogo->raise(); }

void frmCommands::cmdChangeSkin_Click() {
    const QListWidgetItem* item = flstSkins->currentItem();
    if (item == nullptr || item->text().isEmpty()) return;
    program_.LoadSkin(item->data(Qt::UserRole).toString().toStdString(), true);
    program_.ApplySkin();
}

void frmCommands::cmdDefaultSkin_Click() {
    program_.SetDefaultSkin();
    program_.ApplySkin();
}

void frmCommands::scrTransp_Change(int value) {
    program_.Options().Set(Option::Transparency, static_cast<int16_t>(value));
}

void frmCommands::cmdInternet_Click() {
    const QUrl page = WebPage();
    if (page.isEmpty()) {
        std::fprintf(stderr, "quorva: the manual is not installed: there is no %s\n", qPrintable(WebPagePath()));
        return;
    }
    QDesktopServices::openUrl(page);
}

void frmCommands::ShowTranslucencyNote() {
    QString note;
    switch (platform::TranslucencyHere()) {
    case platform::Translucency::Drawn:
        break;
    case platform::Translucency::NoCompositor:
        note = QStringLiteral("No compositing manager is running, so the calculator stays opaque. "
                              "The value is kept and takes effect once one runs.");
        break;
    case platform::Translucency::NotOnThisDesktop:
        note = QStringLiteral("This Wayland session does not let the calculator make itself "
                              "translucent. The value is kept.");
        break;
    }
    lblTranspNote->setText(note);
    lblTranspNote->setVisible(!note.isEmpty());
}

bool frmCommands::event(QEvent* event) {
    // A compositing manager may have been started or stopped since the window was last seen.
    if (event->type() == QEvent::Show) ShowTranslucencyNote();
    if (event->type() == QEvent::KeyPress) {
        FeedKey(program_.Calc(), *static_cast<QKeyEvent*>(event), KeyWindow::Functions);
        return true;
    }
    return QWidget::event(event);
}

bool frmCommands::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lstFunctions->viewport()) {
        switch (event->type()) {
        case QEvent::MouseMove:
            lstFunctions_MouseMove(static_cast<QMouseEvent*>(event)->position().toPoint().y());
            return true;
        case QEvent::MouseButtonPress:
            lstFunctions_MouseDown(static_cast<QMouseEvent*>(event)->position().toPoint().y());
            return true;
        case QEvent::MouseButtonDblClick:
            lstFunctions_DblClick();
            return true;
        case QEvent::MouseButtonRelease:
            return true;
        default:
            return QWidget::eventFilter(watched, event);
        }
    }
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* key = static_cast<QKeyEvent*>(event);
        FeedKey(program_.Calc(), *key, KeyWindow::Functions);
        // Moving between the controls and ticking a box still work; nothing else reaches a
        // control (a list would copy on Ctrl+C, or jump to a row on a typed letter).
        if (IsMoveKey(key->key(), true)) {
            // Handled here, so the key does not travel on to a parent that would feed it again.
            watched->event(event);
        }
        return true;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmCommands::closeEvent(QCloseEvent* event) {
    // The close box hides the window and saves the settings, as F1 does.
    event->ignore();
    if (isVisible()) program_.ToggleFunctionsWindow();
}

}  // namespace quorva
