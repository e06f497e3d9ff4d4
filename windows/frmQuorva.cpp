#include "frmQuorva.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPixmap>
#include <QVBoxLayout>

#include <cmath>

#include "Accessible.h"
#include "Commands.h"
#include "FirstPaint.h"
#include "Keys.h"
#include "Trace.h"

namespace quorva {

namespace {

const QColor kDarkBlue(0, 0, 0x80);        // &H800000
const QColor kLightOrange(0xFF, 0xC0, 0x80);  // &H80C0FF

// The skin's colours are red + 256 green + 65536 blue.
QColor FromColour(int32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }


QFont MakeFont(const char* family, double points, bool bold) {
    QFont f(QString::fromLatin1(family));
    f.setPointSizeF(points);
    f.setBold(bold);
    // Every text shown here is ASCII, which these faces have: no other face is looked for.
    f.setStyleStrategy(QFont::NoFontMerging);
    return f;
}

void SetTextColour(QLabel* label, const QColor& colour) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

// Design sizes and fonts that a skin never changes.
constexpr double kDisplayWidth = 2700;  // twips, both displays
constexpr double kEntryHeight = 300;
constexpr double kStackHeight = 1200;
constexpr double kDisplayPoints = 9.75;
constexpr double kSmallZonePoints = 8.25;  // lblDecimal, lblDeg

}  // namespace

void UseMetricCompatibleFonts() {
    static bool done = false;
    if (done) return;
    done = true;
    // So the texts still fit their labels.
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
}

QString LabelText(const std::string& stored) {
    QString text = QString::fromStdString(stored);
    text.replace(QLatin1String("&&"), QLatin1String("&"));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

namespace {

// The display labels are right-aligned and a few dozen characters wide: only the end of a line
// can show. Laying out a pasted line of a million digits at every key held the window for
// seconds, so longer lines are cut to their end first.
constexpr std::size_t kShownLineChars = 256;

QString DisplayText(const std::string& stored) {
    if (stored.size() <= kShownLineChars) return LabelText(stored);
    std::string shown;
    for (std::size_t start = 0; start <= stored.size();) {
        std::size_t end = stored.find("\r\n", start);
        if (end == std::string::npos) end = stored.size();
        const std::size_t from = end - start > kShownLineChars ? end - kShownLineChars : start;
        if (start > 0) shown += "\r\n";
        shown.append(stored, from, end - from);
        start = end + 2;
    }
    return LabelText(shown);
}

}  // namespace

bool SetTransparency(QWidget& window, uint8_t alpha) { return platform::SetOpacity(window, alpha); }

PickerWindow::PickerWindow(QWidget* owner, const char* name, const char* listName,
                           const char* timerName, const char* accessibleName)
    // Keyboard focus stays with the calculator while a picker is open.
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::WindowDoesNotAcceptFocus),
      list(new QListWidget(this)),
      timer(new QTimer(this)) {
    setObjectName(QString::fromLatin1(name));
    setWindowTitle(QStringLiteral("Quorva 3"));
    setAccessibleName(QString::fromLatin1(accessibleName));
    setAttribute(Qt::WA_ShowWithoutActivating);
    list->setObjectName(QString::fromLatin1(listName));
    list->setAccessibleName(QString::fromLatin1(accessibleName));
    list->setFocusPolicy(Qt::NoFocus);
    list->setFont(MakeFont("Arial", 8.25, false));
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list);
    timer->setObjectName(QString::fromLatin1(timerName));
    timer->setSingleShot(true);
    timer->setInterval(10000);
}

frmQuorva::frmQuorva(MainWindowOwner& program)
    // A normal top-level window (listed by the window manager) that has no frame.
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      imgSkin(new PictureLabel(this)),
      lblStackDisplay(new DisplayLabel(this)),
      lblEntryDisplay(new DisplayLabel(this)),
      lblDecimal(new QLabel(this)),
      lblDeg(new QLabel(this)),
      lblFunctions(new QLabel(this)),
      lblLargeStack(new QLabel(this)),
      lblOnTop(new QLabel(this)),
      lblQuit(new QLabel(this)),
      program_(program) {
    UseMetricCompatibleFonts();
    accessible::Install();
    setObjectName(QStringLiteral("frmQuorva"));
    setWindowTitle(QStringLiteral("Quorva"));
    setFocusPolicy(Qt::StrongFocus);

    imgSkin->setObjectName(QStringLiteral("imgSkin"));
    imgSkin->move(0, 0);
    imgSkin->installEventFilter(this);

    struct Design {
        QLabel* label;
        const char* name;
        double left, top, width, height;  // twips
        QFont font;
        QColor colour;
        Qt::Alignment align;
        const char* tooltip;
        bool zone;
        const char* accessible;
    };
    const Qt::Alignment centred = Qt::AlignHCenter | Qt::AlignTop;
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignTop;
    const QFont zoneFont = MakeFont("Arial", 9.75, true);
    const Design designs[] = {
        {lblDecimal, "lblDecimal", 3000, 1200, 480, 300, MakeFont("Arial", kSmallZonePoints, true),
         kDarkBlue, centred, nullptr, true, "Decimal places"},
        {lblFunctions, "lblFunctions", 4800, 675, 300, 300, zoneFont, kLightOrange, centred,
         " Functions and Settings (F1) ", true, "Functions and Settings"},
        {lblLargeStack, "lblLargeStack", 4365, 255, 300, 300, zoneFont, kLightOrange, centred,
         " Large stack (F2) ", true, "Large stack"},
        {lblQuit, "lblQuit", 5190, 255, 300, 300, zoneFont, kLightOrange, centred, " Hide ", true, "Hide"},
        {lblOnTop, "lblOnTop", 4785, 255, 300, 300, MakeFont("Arial", 14.25, true), kLightOrange,
         centred, "Always on top", true, "Always on top"},
        {lblDeg, "lblDeg", 3015, 705, 480, 300, MakeFont("Arial", kSmallZonePoints, true), kDarkBlue,
         centred, nullptr, true, "Angle mode"},
        {lblEntryDisplay, "lblEntryDisplay", 2760, 2430, kDisplayWidth, kEntryHeight,
         MakeFont("Courier New", kDisplayPoints, true), kDarkBlue, right, " Input line ", false, "Input line"},
        {lblStackDisplay, "lblStackDisplay", 135, 345, kDisplayWidth, kStackHeight,
         MakeFont("Courier New", kDisplayPoints, false), kDarkBlue, right, " Stack ", false, "Stack"},
    };
    for (const Design& d : designs) {
        d.label->setObjectName(QString::fromLatin1(d.name));
        d.label->setTextFormat(Qt::PlainText);
        d.label->setGeometry(Pixels(d.left), Pixels(d.top, true), Pixels(d.width),
                             Pixels(d.height, true));
        d.label->setFont(d.font);
        SetTextColour(d.label, d.colour);
        d.label->setAlignment(d.align);
        if (d.tooltip != nullptr) d.label->setToolTip(QString::fromLatin1(d.tooltip));
        if (d.zone) d.label->setCursor(Qt::PointingHandCursor);
        // Without a name a label is read out as its text, which here is a number or a caption.
        d.label->setAccessibleName(QString::fromLatin1(d.accessible));
        d.label->installEventFilter(this);
    }

    tmrEntry_.setObjectName(QStringLiteral("tmrEntry"));
    tmrEntry_.setSingleShot(true);
    tmrEntry_.setInterval(3000);
    QObject::connect(&tmrEntry_, &QTimer::timeout, this, [this] { tmrEntry_Timer(); });
}

frmQuorva::~frmQuorva() = default;

int frmQuorva::Pixels(double twips, bool vertical) const {
    return static_cast<int>(std::lround(twips / (vertical ? program_.TwipsY() : program_.TwipsX())));
}

void frmQuorva::ApplySkin(const Skin& skin, bool show) {
    hide();
    clearMask();
    const QSize size = picSkin_.size();
    setFixedSize(size);
    // A screen of two device pixels per pixel or more shows the sharper picture, if any.
    QPixmap shown;
    if (devicePixelRatioF() >= 2 && !picSkin2x_.isNull() && picSkin2x_.size() == 2 * size) {
        shown = QPixmap::fromImage(picSkin2x_);
        shown.setDevicePixelRatio(2);
    } else {
        shown = QPixmap::fromImage(picSkin_);
    }
    imgSkin->setPixmap(shown);
    imgSkin->resize(size);
    // The picture covers the window, and the displays paint the part they lie on: after a key
    // only the displays are painted.
    imgSkin->setAttribute(Qt::WA_OpaquePaintEvent, !shown.hasAlphaChannel());
    for (DisplayLabel* display : {lblStackDisplay, lblEntryDisplay}) display->SetBackdrop(shown);
    const QRegion region = platform::SkinRegion(picSkin_);
    // No opaque pixel: the whole rectangle stays visible.
    if (!region.isEmpty()) {
        platform::EffectWorks(platform::Effect::Shape);
        setMask(region);
    }
    PlaceSkinLabels(skin);
    if (show) this->show();
}

void frmQuorva::PlaceSkinLabels(const Skin& skin) {
    SetTextColour(lblStackDisplay, FromColour(Colour(skin.stackText)));
    SetTextColour(lblEntryDisplay, FromColour(Colour(skin.entryText)));
    SetTextColour(lblDeg, FromColour(Colour(skin.angleText)));
    SetTextColour(lblDecimal, FromColour(Colour(skin.decimalText)));

    // A 120 dots-per-inch screen takes smaller faces and narrower displays. They are set from
    // the design values each time, so a second default skin does not narrow them again.
    const double displayPoints = skin.largeFonts ? 8.0 : kDisplayPoints;
    const double zonePoints = skin.largeFonts ? 6.0 : kSmallZonePoints;
    const int displayWidth = Pixels(skin.largeFonts ? kDisplayWidth / 1.25 : kDisplayWidth);
    for (QLabel* display : {lblStackDisplay, lblEntryDisplay}) {
        QFont f = display->font();
        f.setPointSizeF(displayPoints);
        display->setFont(f);
        display->resize(displayWidth, display->height());
    }
    for (QLabel* zone : {lblDecimal, lblDeg}) {
        QFont f = zone->font();
        f.setPointSizeF(zonePoints);
        zone->setFont(f);
    }

    const struct {
        QLabel* label;
        const SkinPos& at;
    } places[] = {
        {lblStackDisplay, skin.stack}, {lblEntryDisplay, skin.entry}, {lblQuit, skin.quit},
        {lblDeg, skin.angle},          {lblDecimal, skin.decimal},    {lblOnTop, skin.onTop},
        {lblLargeStack, skin.largeStack}, {lblFunctions, skin.functions},
    };
    // Skin positions are pixels of the picture, which is window pixel for pixel.
    for (const auto& p : places) p.label->move(p.at.x, p.at.y);
}

void frmQuorva::LoadDisplayFaces() const {
    for (const QLabel* display : {lblStackDisplay, lblEntryDisplay})
        QFontMetricsF(QFont(display->font(), display)).height();
}

void frmQuorva::SetOnTop() {
    if (QAccessible::isActive()) accessible::WindowChanging(*this);
    isOnTop_ = true;
    platform::SetTopmost(*this, true);
    lblOnTop->setToolTip(QStringLiteral(" Currently always on top "));
}

void frmQuorva::SetNotOnTop() {
    if (QAccessible::isActive()) accessible::WindowChanging(*this);
    isOnTop_ = false;
    platform::SetTopmost(*this, false);
    lblOnTop->setToolTip(QStringLiteral(" Currently not always on top "));
}

void frmQuorva::RefreshViews(unsigned views) {
    if (QAccessible::isActive()) accessible::WindowChanging(*this);
    Calculator& calc = program_.Calc();
    if (views & kViewEntry) lblEntryDisplay->setText(DisplayText(calc.EntryCaption()));
    if (views & kViewStack) lblStackDisplay->setText(DisplayText(calc.Views().stackCaption));
    if (views & kViewAngle) {
        lblDeg->setText(QString::fromStdString(AngleCaption(calc.AngleRadians())));
        lblDeg->setToolTip(QString::fromStdString(AngleTooltip(calc.AngleRadians())));
    }
    if (views & kViewPlaces) {
        lblDecimal->setText(QString::fromStdString(DecimalCaption(calc.DecimalPlaces())));
        lblDecimal->setToolTip(QString::fromStdString(DecimalTooltip(calc.DecimalPlaces())));
    }
}

void frmQuorva::EntryTimerChanged(bool running) {
    if (running) {
        tmrEntry_.start();
    } else {
        tmrEntry_.stop();
    }
}

void frmQuorva::tmrEntry_Timer() { program_.Calc().EntryTimerFired(); }

// --- the mouse ---

void frmQuorva::StartDrag(const QMouseEvent& event) {
    drag_.Begin(*this, event.globalPosition().toPoint(), event.button());
}

void frmQuorva::Form_MouseDown(const QMouseEvent& event) { StartDrag(event); }
void frmQuorva::imgSkin_MouseDown(const QMouseEvent& event) { StartDrag(event); }
void frmQuorva::lblStackDisplay_MouseDown(const QMouseEvent& event) { StartDrag(event); }
void frmQuorva::lblStackDisplay_DblClick() { program_.ToggleLargeStackWindow(); }
void frmQuorva::lblDecimal_Click() { ToggleDecimalsPicker(); }
void frmQuorva::lblDeg_Click() { ToggleAnglePicker(); }
void frmQuorva::lblFunctions_Click() { program_.ToggleFunctionsWindow(); }
void frmQuorva::lblLargeStack_Click() { program_.ToggleLargeStackWindow(); }

void frmQuorva::lblOnTop_Click() {
    if (isOnTop_) {
        SetNotOnTop();
    } else {
        SetOnTop();
    }
}

void frmQuorva::lblQuit_Click() {
    if (program_.Options().On(Option::DirectExit)) {
        program_.QuitProgram();
    } else {
        program_.HideAllWindows();
        program_.TellIfStranded();
    }
}

void frmQuorva::PressZone(QLabel* zone) { ZoneClicked(zone); }

void frmQuorva::ZoneClicked(QLabel* zone) {
    if (zone == lblDecimal) lblDecimal_Click();
    else if (zone == lblDeg) lblDeg_Click();
    else if (zone == lblFunctions) lblFunctions_Click();
    else if (zone == lblLargeStack) lblLargeStack_Click();
    else if (zone == lblOnTop) lblOnTop_Click();
    else if (zone == lblQuit) lblQuit_Click();
}

bool frmQuorva::eventFilter(QObject* watched, QEvent* event) {
    auto* label = qobject_cast<QLabel*>(watched);
    if (label == nullptr || label->parentWidget() != this) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        // The first press of a double click has started the drag already.
        const auto& me = *static_cast<QMouseEvent*>(event);
        const bool twice = event->type() == QEvent::MouseButtonDblClick;
        if (label == imgSkin) {
            if (!twice) imgSkin_MouseDown(me);
        } else if (label == lblStackDisplay) {
            if (twice) {
                lblStackDisplay_DblClick();
            } else {
                lblStackDisplay_MouseDown(me);
            }
        } else if (label != lblEntryDisplay) {
            pressedZone_ = label;
            pressWasDouble_ = twice;
        }
        return true;  // never on to the window: that would drag it
    }
    case QEvent::MouseMove:
        drag_.Follow(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;
    case QEvent::MouseButtonRelease: {
        drag_.End();
        const auto& me = *static_cast<QMouseEvent*>(event);
        if (label == pressedZone_) {
            pressedZone_ = nullptr;
            // A click is the left button let go over the zone; a double click clicks once.
            if (me.button() == Qt::LeftButton && !pressWasDouble_ &&
                label->rect().contains(me.position().toPoint())) {
                ZoneClicked(label);
            }
        }
        return true;
    }
    case QEvent::Paint:
        if (label == imgSkin && !painted_) {
            painted_ = true;
            trace::Mark("first paint");
            TellFirstPaint(this, firstPainted);
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void frmQuorva::mousePressEvent(QMouseEvent* event) { Form_MouseDown(*event); }
void frmQuorva::mouseDoubleClickEvent(QMouseEvent*) {}
void frmQuorva::mouseMoveEvent(QMouseEvent* event) {
    drag_.Follow(event->globalPosition().toPoint());
}
void frmQuorva::mouseReleaseEvent(QMouseEvent*) { drag_.End(); }

void frmQuorva::closeEvent(QCloseEvent* event) {
    // Closing the calculator from the desktop (its task list, Alt+F4) ends the program.
    event->ignore();
    program_.QuitWithoutAsking();
}

// --- the keyboard ---

bool frmQuorva::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        event->accept();  // every key is the calculator's, Tab included
        return true;
    case QEvent::KeyPress:
        FeedKey(program_.Calc(), *static_cast<QKeyEvent*>(event), KeyWindow::Main);
        return true;
    case QEvent::KeyRelease:
        return true;
    case QEvent::FocusIn:
        if (QAccessible::isActive()) accessible::WindowFocused(*this);
        return QWidget::event(event);
    default:
        return QWidget::event(event);
    }
}

// --- the pickers ---

PickerWindow* frmQuorva::MakePicker(bool angle) {
    auto* picker = new PickerWindow(this, angle ? "frmDegRad" : "frmDecimal",
                                    angle ? "lstDegRad" : "lstDecimal",
                                    angle ? "tmrDegRad" : "tmrDecimal",
                                    angle ? "Angle mode" : "Decimal places");
    for (const std::string& row : angle ? AnglePickerRows() : DecimalsPickerRows()) {
        picker->list->addItem(QString::fromStdString(row));
    }
    QListWidget* list = picker->list;
    const int frame = 2 * list->frameWidth();
    // Every row in sight, no scroll bar: a fixed size also overrides the list's minimum.
    picker->setFixedSize(list->sizeHintForColumn(0) + frame + 12,
                         list->sizeHintForRow(0) * list->count() + frame);
    QObject::connect(list, &QListWidget::itemClicked, this, [this, list, angle](QListWidgetItem* item) {
        const int row = list->row(item);
        if (angle) {
            frmDegRad_lstDegRad_Click(row);
        } else {
            frmDecimal_lstDecimal_Click(row);
        }
    });
    QObject::connect(picker->timer, &QTimer::timeout, this, [this, angle] {
        if (angle) {
            frmDegRad_tmrDegRad_Timer();
        } else {
            frmDecimal_tmrDecimal_Timer();
        }
    });
    return picker;
}

void frmQuorva::TogglePicker(PickerWindow*& picker, QLabel* label, bool angle) {
    if (picker == nullptr) picker = MakePicker(angle);
    if (picker->isVisible()) {
        picker->timer->stop();
        picker->hide();
        if (isOnTop_) SetOnTop();  // back above the picker's band
        return;
    }
    // At the label's left edge, 210 twips below its top.
    picker->move(mapToGlobal(QPoint(label->x(), label->y() + Pixels(210, true))));
    if (angle) picker->list->setCurrentRow(program_.Calc().AngleRadians() ? 0 : 1);
    picker->timer->start();
    picker->show();
    picker->raise();
}

void frmQuorva::ToggleAnglePicker() { TogglePicker(frmDegRad_, lblDeg, true); }
void frmQuorva::ToggleDecimalsPicker() { TogglePicker(frmDecimal_, lblDecimal, false); }

void frmQuorva::frmDegRad_lstDegRad_Click(int row) {
    ChooseAngleRow(program_.Calc(), row);
    ToggleAnglePicker();
}

void frmQuorva::frmDecimal_lstDecimal_Click(int row) {
    ChooseDecimalsRow(program_.Calc(), row);
    ToggleDecimalsPicker();
}

void frmQuorva::frmDegRad_tmrDegRad_Timer() {
    frmDegRad_->timer->stop();
    frmDegRad_->hide();
}

void frmQuorva::frmDecimal_tmrDecimal_Timer() {
    frmDecimal_->timer->stop();
    frmDecimal_->hide();
}

}  // namespace quorva
