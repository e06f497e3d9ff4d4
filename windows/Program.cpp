#include "Program.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "Activation.h"
#include "Commands.h"
#include "Desktop.h"
#include "Pictures.h"
#include "Screens.h"
#include "StackFile.h"
#include "TextFile.h"
#include "Trace.h"
#include "TrayIcon.h"
#include "Version.h"
#include "Window.h"
#include "frmAbout.h"
#include "frmCommands.h"
#include "frmLargeStack.h"
#include "frmQuorva.h"

// Outside every namespace, as the resource system wants it.
static void InitQuorvaResources() { Q_INIT_RESOURCE(quorva); }

namespace quorva {

namespace {

int WholePixels(double pixels) {
    // A hand-edited file may hold anything; the position is pulled onto a screen afterwards.
    return static_cast<int>(std::lround(std::clamp(pixels, -1.0e6, 1.0e6)));
}

void UseResources() {
    static bool loaded = false;
    if (!loaded) {
        loaded = true;
        InitQuorvaResources();
    }
}

}  // namespace

Program::Program(StartOptions start)
    : start_(std::move(start)),
      calc_(*this, options_, platform::LocaleDecimalSeparator()),
      twipsX_(platform::TwipsPerPixelX()),
      twipsY_(platform::TwipsPerPixelY()) {
    UseResources();
    InstallCommands(calc_);
    endProgram = [] { QCoreApplication::exit(0); };
    trayHostAvailable = [] { return TrayIcon::HostAvailable(); };
    // The transparency scroll bar's change handler: every new value applies at once.
    options_.Subscribe([this](Option id, int16_t value) {
        if (id == Option::Transparency && main_) {
            quorva::SetTransparency(*main_, static_cast<uint8_t>(std::clamp<int>(value, 0, 255)));
        }
    });
}

Program::~Program() = default;

void Program::Main() {
    StartupWindowTexts();
    trace::Mark("main window made");
    SetDefaultSkin();
    trace::Mark("skin picture loaded");
    // Without a settings file the calculator starts in the middle of the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        const QSize size = main_->SkinPicture().size();
        main_->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    }
    SettingsContext ctx = Context();
    Report(LoadSettings(SettingsPath(), ctx), "SETTINGS UNREADABLE");
    trace::Mark("settings read");
    if (options_.On(Option::KeepStack)) LoadStack();
    ShowAboutWindow();
    if (skin_.skinFile != kDefaultSkinName) LoadSkin(skin_.skinFile);
    // A position saved on a screen that is gone would leave the window out of reach.
    main_->move(platform::PullOntoScreen(QRect(main_->pos(), main_->SkinPicture().size()),
                                         platform::AvailableScreenAreas()));
    // Hidden with no notification area, nothing would show where the calculator went.
    bool startHidden = options_.On(Option::Hide) && !start_.startShown;
    if (startHidden && !TrayHost()) {
        std::fprintf(stderr, "quorva: \"Start minimized\" is ticked, but there is no notification "
                             "area for the icon: starting shown\n");
        startHidden = false;
    }
    // Starting hidden, the calculator is not shown at all, not even for a moment.
    main_->ApplySkin(skin_, !startHidden);
    if (startHidden) {
        MakeTrayIcon();
        HideAllWindows();
    } else {
        ShowAllWindows();
        trace::Mark("main window shown");
        // Mapped while the splash is made: its map is not delayed.
        platform::SendRequestsNow();
    }
    // The icon, which draws nothing of ours, comes after the first pictures of the start, the
    // calculator's and the splash's, in whichever order a window manager lets them come.
    picturesDue_ = (main_->isVisible() ? 1 : 0) + (aboutDue_ ? 1 : 0);
    if (main_->isVisible()) main_->firstPainted = [this] { PictureShown(); };
    QTimer::singleShot(1000, main_.get(), [this] { MakeTrayIcon(); });  // never painted?
    // First in the event loop, before the calculator's picture: both first pictures then come
    // in one pass instead of one after the other.
    QTimer::singleShot(0, main_.get(), [this] {
        ShowSplashNow();
        if (picturesDue_ == 0) AfterFirstPictures();
    });
}

void Program::PictureShown() {
    if (picturesDue_ > 0 && --picturesDue_ == 0) AfterFirstPictures();
}

void Program::AfterFirstPictures() {
    MakeTrayIcon();
    // Not needed for the first picture, where the displays are blank, but for the first key.
    main_->LoadDisplayFaces();
}

void Program::PrepareMeanwhile() {
    UseMetricCompatibleFonts();
    const QSize size = frmAbout::SizeFor(twipsX_, twipsY_);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal ratio = screen != nullptr ? screen->devicePixelRatio() : 1.0;
    std::promise<QImage> picture, art;
    defaultPicture_ = picture.get_future();
    splashArt_ = art.get_future();
    // The main thread meanwhile waits for the session bus (the accessibility bridge) for most
    // of this.
    helper_ = std::async(std::launch::async, [size, ratio, picture = std::move(picture),
                                              art = std::move(art)]() mutable {
        picture.set_value(DefaultSkinPicture());
        trace::Mark("helper: skin picture");
        QImage shipped = frmAbout::ShippedArtwork(size, ratio);
        const bool paintArt = shipped.isNull();
        if (!paintArt) art.set_value(std::move(shipped));
        trace::Mark("helper: splash artwork");
        // Reading the font list is the longest step before the first picture; Qt guards it,
        // and the first paint waits for this instead of doing it.
        QFontDatabase::families();
        trace::Mark("helper: font list");
        // Where the shipped picture does not fit, the artwork is painted, with the fonts.
        if (paintArt) art.set_value(frmAbout::Artwork(size, ratio));
    });
}

void Program::StartupWindowTexts() {
    // The skins list reads its folders (SkinFolderList) when it is made and each time F1 opens
    // it; the title and the command list are set when the Functions window is made; the
    // splash takes its version text when it is due.
    main_ = std::make_unique<frmQuorva>(*this);
    options_.Set(Option::Transparency, 255);
    quorva::SetTransparency(*main_, 255);
    main_->SetOnTop();
    FunctionsWindowShown = false;
    LargeStackShown = false;
    // The notification-area icon takes longer to make than the calculator takes to appear:
    // it comes after the first pictures of the start (OnScreen), or at once when starting
    // hidden.
    calc_.SetAngleRadians(true);
    calc_.SetDecimalPlaces(15);
    main_->RefreshViews(kViewEntry | kViewStack | kViewAngle | kViewPlaces);
}

void Program::MakeTrayIcon() {
    if (tray_) return;
    // The window manager's icon is not needed for the first pictures either.
    QGuiApplication::setWindowIcon(SmallIcon());
    tray_ = std::make_unique<TrayIcon>(TrayIcon::Handlers{
        [this] { mnuQuorva_Click(); },
        [this] { mnuFunctions_Click(); },
        [this] { mnuLargeStack_Click(); },
        [this] { mnuQuit_Click(); },
    });
    tray_->AddTrayIcon();
    trace::Mark("notification-area icon");
}

void Program::SetDefaultSkin() {
    quorva::SetDefaultSkin(skin_, twipsX_);
    const QImage picture = defaultPicture_.valid() ? defaultPicture_.get() : DefaultSkinPicture();
    main_->SetSkinPicture(picture,
                          SharpScreen() ? platform::LoadPicture(QStringLiteral(":/default_skin@2x.png")) : QImage());
}

bool Program::SharpScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr && screen->devicePixelRatio() >= 2;
}

QImage Program::DefaultSkinPicture() {
    UseResources();
    return platform::LoadPicture(QStringLiteral(":/default_skin.png"));
}

SkinFolders Program::SkinFolderList() const {
    if (!start_.skinsFolders.empty()) return SkinFolders{start_.skinsFolders};
    return InstalledSkinFolders();
}

SkinFolders Program::InstalledSkinFolders() {
    const std::string program = platform::ProgramFolder();
    const auto share = std::filesystem::path(program) / QUORVA_DATA_FROM_BIN;
    return MakeSkinFolders(program, (share / "quorva" / "skins").lexically_normal().string());
}

std::string Program::ManualPage() {
    return frmCommands::WebPage().toLocalFile().toStdString();
}

bool Program::LoadSkin(const std::string& file, bool chosen) {
    // A description that is simply gone at start-up (the program was moved) says nothing.
    const textfile::Head head = textfile::ReadHead(file, 0);
    if (head.status != textfile::Head::Read) {
        if (chosen || head.status == textfile::Head::Failed) {
            std::fprintf(stderr, "quorva: cannot use the skin %s: %s; the current skin stays\n", file.c_str(),
                         head.status == textfile::Head::Missing ? "there is no such file" : head.error.c_str());
        }
        return false;
    }
    Skin next = skin_;
    next.skinFile = file;
    if (!quorva::LoadSkin(next, SkinFolderList())) {
        // Its colours and places apply, on the picture shown.
        if (!next.skinBitmapFile.empty()) {
            std::fprintf(stderr, "quorva: the skin %s names the picture %s, which is not there; the current "
                                 "picture stays\n", file.c_str(), next.skinBitmapFile.c_str());
        }
        skin_ = std::move(next);
        return true;
    }
    const QImage picture = platform::LoadPicture(QString::fromStdString(next.skinBitmapFile));
    if (picture.isNull()) {
        // Its places belong to a picture that cannot be shown: the whole skin stays as it was.
        std::fprintf(stderr, "quorva: cannot use the skin %s: its picture %s cannot be read as a picture; the "
                             "current skin stays\n", file.c_str(), next.skinBitmapFile.c_str());
        return false;
    }
    // NAME@2x.png beside the picture is read only where a screen can show it.
    QImage sharper;
    const QString sharperFile = QString::fromStdString(SharperPictureFile(next.skinBitmapFile));
    if (SharpScreen() && QFileInfo::exists(sharperFile)) sharper = platform::LoadPicture(sharperFile);
    main_->SetSkinPicture(picture, sharper);
    skin_ = std::move(next);
    return true;
}

void Program::ApplySkin() { main_->ApplySkin(skin_); }

frmCommands& Program::Functions() {
    if (!functions_) {
        functions_ = std::make_unique<frmCommands>(*this);
        functions_->move(0, 0);
    }
    return *functions_;
}

frmLargeStack& Program::Large() {
    if (!large_) large_ = std::make_unique<frmLargeStack>(*this);
    return *large_;
}

bool Program::TrayHost() const { return trayHostAvailable && trayHostAvailable(); }

void Program::ShowAboutWindow() { aboutDue_ = !about_; }

void Program::ShowSplashNow() {
    if (!aboutDue_) return;
    aboutDue_ = false;
    about_ = std::make_unique<frmAbout>(twipsX_, twipsY_);
    about_->lblVersion->setText(QStringLiteral("version " QUORVA_VERSION));
    about_->firstPainted = [this] { PictureShown(); };
    about_->ShowCentred(main_->screen());
    trace::Mark("splash shown");
    // Its first paint comes when the window system has it on screen; the artwork read ahead
    // is taken meanwhile.
    if (splashArt_.valid()) about_->SetArtwork(splashArt_.get());
}

void Program::HideAllWindows() {
    main_->hide();
    if (large_) large_->hide();
    if (functions_) functions_->hide();
}

void Program::ShowAllWindows() {
    main_->show();
    if (FunctionsWindowShown) Functions().show();
    if (LargeStackShown) Large().show();
}

void Program::TellIfStranded() {
    if (TrayHost() || toldNoTray_) return;
    toldNoTray_ = true;
    std::fprintf(stderr, "quorva: there is no notification area for the icon; start quorva again "
                         "to bring the calculator back\n");
}

void Program::BringMainWindowForward(const instance::Request& request) {
    main_->raise();
    platform::Activate(*main_, request.startupId);
}

void Program::mnuQuorva_Click() {
    ShowAllWindows();
    BringMainWindowForward();
}

void Program::mnuFunctions_Click() {
    frmCommands& f = Functions();
    f.show();
    f.raise();
    f.activateWindow();
    FunctionsWindowShown = true;
}

void Program::mnuLargeStack_Click() {
    Large().show();
    large_->raise();
}

void Program::mnuQuit_Click() { QuitProgram(); }

void Program::ShowAtRequest(const instance::Request& request) {
    platform::TakeActivation(*main_, request.startupId, request.activationToken);
    ShowAllWindows();
    BringMainWindowForward(request);
}

void Program::AtRequest(const instance::Request& request) {
    switch (request.verb) {
    case instance::Verb::Show:
        ShowAtRequest(request);
        break;
    case instance::Verb::Toggle:
        // Away only from where the user is looking at it; anywhere else it comes forward.
        if (main_->isVisible() && platform::HasKeyboardFocus(*main_)) {
            HideAllWindows();
            platform::EndLaunchFeedback(*main_, request.startupId);
            TellIfStranded();
        } else {
            ShowAtRequest(request);
        }
        break;
    case instance::Verb::Quit:
        platform::EndLaunchFeedback(*main_, request.startupId);
        // After the answer: the caller does not wait for the confirmation.
        QTimer::singleShot(0, main_.get(), [this] { mnuQuit_Click(); });
        break;
    }
}

void Program::QuitProgram() {
    if (options_.On(Option::ConfirmExit)) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Confirmation"),
                        QStringLiteral("     Quit Quorva ?    "), QMessageBox::Yes | QMessageBox::No,
                        main_->isVisible() ? main_.get() : nullptr);
        box.setObjectName(QStringLiteral("ConfirmQuit"));
        box.setDefaultButton(QMessageBox::Yes);
        // Wide enough for its title: the short question would make a box the title does not fit.
        if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
            grid->addItem(new QSpacerItem(240, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                          grid->rowCount(), 0, 1, grid->columnCount());
        }
        box.setWindowIcon(QIcon(QStringLiteral(":/quorva.png")));
        if (box.exec() != QMessageBox::Yes) return;
    }
    QuitWithoutAsking();
}

void Program::QuitWithoutAsking() {
    if (ended_) return;
    ended_ = true;
    HideAllWindows();
    SaveAtQuit();
    if (tray_) tray_->DeleteTrayIcon();
    if (endProgram) endProgram();
}

void Program::SessionEnding() {
    if (!ended_) SaveAtQuit();
}

void Program::SaveAtQuit() {
    SaveSettings();
    // Unticked, the stack of an earlier run must not come back one day.
    const StackFileResult r = options_.On(Option::KeepStack) ? SaveStackFile(StackPath(), calc_)
                                                             : RemoveStackFile(StackPath());
    Tell(stackTrouble_, r.ok, r.message, "STACK NOT SAVED");
}

void Program::LoadStack() {
    const StackFileResult r = LoadStackFile(StackPath(), calc_);
    Tell(stackTrouble_, r.ok, r.message, TroubleShown(r.trouble));
}

std::string Program::SettingsPathFor(const StartOptions& start) {
    return SettingsFilePath({platform::ProgramFolder(), start.configDir});
}

std::string Program::SettingsPath() const { return SettingsPathFor(start_); }

std::string Program::StackPath() const { return StackFilePathFor(SettingsPath()); }

SettingsContext Program::Context() { return SettingsContext{options_, calc_, skin_, *this}; }

SettingsResult Program::SaveSettings() {
    const SettingsContext ctx = Context();
    SettingsResult result = quorva::SaveSettings(SettingsPath(), ctx);
    Report(result, "SETTINGS NOT SAVED");
    return result;
}

void Program::Report(const SettingsResult& result, const char* shown) {
    Tell(settingsTrouble_, result.ok, result.message, shown);
}

void Program::Tell(std::string& told, bool ok, const std::string& message, const char* shown) {
    // Told once per failing state: again only after a success, or when the reason changes.
    if (ok) {
        told.clear();
        return;
    }
    if (message == told) return;
    told = message;
    std::fprintf(stderr, "quorva: %s\n", message.c_str());
    // Where the user looks, the entry line, without taking what is being typed; the details
    // are on stderr.
    if (!ended_) calc_.ShowNotice(shown);
}

// --- Host ---

std::string Program::ClipboardText() { return platform::ClipboardText(); }

void Program::SetClipboardText(const std::string& text) { platform::SetClipboardText(text); }

bool Program::LargeStackVisible() const { return large_ && large_->isVisible(); }

void Program::ToggleFunctionsWindow() {
    frmCommands& f = Functions();
    if (!f.isVisible()) {
        f.MoveTopLeft();
        f.RereadSkins();
        f.show();
        FunctionsWindowShown = true;
    } else {
        SaveSettings();
        f.hide();
        FunctionsWindowShown = false;
    }
}

void Program::ToggleLargeStackWindow() {
    frmLargeStack& l = Large();
    if (!l.isVisible()) {
        l.show();
        LargeStackShown = true;
    } else {
        l.hide();
        LargeStackShown = false;
    }
}

void Program::EntryTimerChanged(bool running) {
    if (main_) main_->EntryTimerChanged(running);
}

void Program::ViewsChanged(unsigned views) {
    if (main_) main_->RefreshViews(views);
    if (large_) large_->Refresh(views);
    if (functions_) functions_->Refresh(views);
}

// --- SettingsTarget ---

void Program::SetMainWindowLeft(double pixels) {
    platform::EffectWorks(platform::Effect::Position);
    main_->move(WholePixels(pixels), main_->y());
}

void Program::SetMainWindowTop(double pixels) {
    platform::EffectWorks(platform::Effect::Position);
    main_->move(main_->x(), WholePixels(pixels));
}

double Program::MainWindowLeft() const { return main_->x(); }
double Program::MainWindowTop() const { return main_->y(); }

void Program::SetOnTop() { main_->SetOnTop(); }
void Program::SetNotOnTop() { main_->SetNotOnTop(); }

void Program::SetTransparency(uint8_t alpha) { quorva::SetTransparency(*main_, alpha); }

void Program::SetFunctionsWindowShown(bool shown) { FunctionsWindowShown = shown; }

}  // namespace quorva
