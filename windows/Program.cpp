#include "Program.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Commands.h"
#include "Platform.h"
#include "SideWindows.h"
#include "frmQuorva.h"

// Outside every namespace, as the resource system wants it.
static void InitQuorvaResources() { Q_INIT_RESOURCE(quorva); }

namespace quorva {

namespace {

int WholePixels(double pixels) {
    // A hand-edited file may hold anything; the position is pulled onto a screen afterwards.
    return static_cast<int>(std::lround(std::clamp(pixels, -1.0e6, 1.0e6)));
}

}  // namespace

Program::Program(StartOptions start)
    : start_(std::move(start)),
      calc_(*this, options_, platform::LocaleDecimalSeparator()),
      twipsX_(platform::TwipsPerPixelX()),
      twipsY_(platform::TwipsPerPixelY()) {
    InstallCommands(calc_);
    endProgram = [] { QCoreApplication::exit(0); };
    // The transparency scroll bar's change handler: every new value applies at once.
    options_.subscribe([this](Option id, int16_t value) {
        if (id == Option::Transparency && main_) {
            quorva::SetTransparency(*main_, static_cast<uint8_t>(std::clamp<int>(value, 0, 255)));
        }
    });
}

Program::~Program() = default;

void Program::Main() {
    // The window texts and the initial state the main window needs.
    main_ = std::make_unique<frmQuorva>(*this);
    options_.set(Option::Transparency, 255);
    quorva::SetTransparency(*main_, 255);
    main_->SetOnTop();
    FunctionsWindowShown = false;
    LargeStackShown = false;
    calc_.SetAngleRadians(true);
    calc_.SetDecimalPlaces(15);
    main_->RefreshViews(kViewEntry | kViewStack | kViewAngle | kViewPlaces);

    SetDefaultSkin();
    // Without a settings file the calculator starts in the middle of the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        const QSize size = main_->SkinPicture().size();
        main_->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    }
    SettingsContext ctx = Context();
    Report(LoadSettings(SettingsPath(), ctx));
    if (skin_.SkinFile != kDefaultSkinName) LoadSkin();
    // A position saved on a screen that is gone would leave the window out of reach.
    main_->move(platform::PullOntoScreen(QRect(main_->pos(), main_->SkinPicture().size()),
                                         platform::AvailableScreenAreas()));
    ApplySkin();
    ShowAllWindows();
}

void Program::SetDefaultSkin() {
    quorva::SetDefaultSkin(skin_, twipsX_);
    main_->SetSkinPicture(DefaultSkinPicture());
}

QImage Program::DefaultSkinPicture() {
    static bool loaded = false;
    if (!loaded) {
        loaded = true;
        InitQuorvaResources();
    }
    return QImage(QStringLiteral(":/default_skin.png"));
}

void Program::LoadSkin() {
    const SkinFolders folders = MakeSkinFolders(platform::ProgramFolder(), QUORVA_SKINS_DATA_DIR);
    if (!quorva::LoadSkin(skin_, folders)) return;
    // A picture the loader cannot read leaves the one shown.
    const QImage picture(QString::fromStdString(skin_.SkinBitmapFile));
    if (!picture.isNull()) main_->SetSkinPicture(picture);
}

void Program::ApplySkin() { main_->ApplySkin(skin_); }

void Program::HideAllWindows() {
    main_->hide();
    if (large_) large_->hide();
    if (functions_) functions_->hide();
}

void Program::ShowAllWindows() {
    main_->show();
    if (FunctionsWindowShown) {
        if (!functions_) functions_ = std::make_unique<frmCommands>(*this);
        functions_->show();
    }
    if (LargeStackShown) {
        if (!large_) large_ = std::make_unique<frmLargeStack>(*this);
        large_->show();
    }
}

void Program::QuitProgram() {
    if (options_.on(Option::ConfirmExit)) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Confirmation"),
                        QStringLiteral("     Quit Quorva ?    "),
                        QMessageBox::Yes | QMessageBox::No, main_.get());
        box.setDefaultButton(QMessageBox::Yes);
        if (box.exec() != QMessageBox::Yes) return;
    }
    QuitWithoutAsking();
}

void Program::QuitWithoutAsking() {
    HideAllWindows();
    SaveSettings();
    if (endProgram) endProgram();
}

std::string Program::SettingsPath() const {
    return SettingsFilePath({platform::ProgramFolder(), start_.configDir});
}

SettingsContext Program::Context() { return SettingsContext{options_, calc_, skin_, *this}; }

SettingsResult Program::SaveSettings() {
    const SettingsContext ctx = Context();
    SettingsResult result = quorva::SaveSettings(SettingsPath(), ctx);
    Report(result);
    return result;
}

void Program::Report(const SettingsResult& result) {
    if (!result.ok) std::fprintf(stderr, "quorva: %s\n", result.message.c_str());
}

// --- Host ---

std::string Program::ClipboardText() { return platform::ClipboardText(); }

void Program::SetClipboardText(const std::string& text) { platform::SetClipboardText(text); }

bool Program::LargeStackVisible() const { return large_ && large_->isVisible(); }

void Program::ToggleFunctionsWindow() {
    if (!functions_) functions_ = std::make_unique<frmCommands>(*this);
    if (!functions_->isVisible()) {
        functions_->move(0, 0);
        functions_->show();
        FunctionsWindowShown = true;
    } else {
        SaveSettings();
        functions_->hide();
        FunctionsWindowShown = false;
    }
}

void Program::ToggleLargeStackWindow() {
    if (!large_) large_ = std::make_unique<frmLargeStack>(*this);
    if (!large_->isVisible()) {
        large_->show();
        LargeStackShown = true;
    } else {
        large_->hide();
        LargeStackShown = false;
    }
}

void Program::EntryTimerChanged(bool running) {
    if (main_) main_->EntryTimerChanged(running);
}

void Program::ViewsChanged(unsigned views) {
    if (main_) main_->RefreshViews(views);
    if (large_) large_->Refresh(views);
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
