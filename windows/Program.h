#pragma once
// The program around the calculator: its state, its windows, start-up and quitting. It is the
// calculator's Host and the settings file's target.

#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "Calculator.h"
#include "Host.h"
#include "Instance.h"
#include "Options.h"
#include "Owners.h"
#include "Settings.h"
#include "Skin.h"

#include <QImage>

class QWidget;

namespace quorva {

class frmQuorva;
class frmCommands;
class frmLargeStack;
class frmAbout;
class TrayIcon;

struct StartOptions {
    std::string configDir;  // --config-dir: the settings file's folder; empty for the usual place
    // Where skins are looked for; empty for the program's "skins" folder and the installed one.
    std::vector<std::string> skinsFolders;
    // Shown at the start even when "Start minimized" is ticked (a toggle found none running).
    bool startShown = false;
};

class Program final : public Host,
                      public SettingsTarget,
                      public MainWindowOwner,
                      public FunctionsOwner,
                      public LargeStackOwner {
public:
    explicit Program(StartOptions start = {});
    ~Program() override;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Start-up: the window texts, the built-in skin, the settings, the saved skin, then the
    // windows shown, or only the notification-area icon; the splash first in the event loop,
    // the icon after the first pictures.
    void Main();
    void StartupWindowTexts();
    // Before Main: a helper thread reads the built-in skin's picture, the splash's artwork and
    // the font list while the calculator is built; it ends by itself.
    void PrepareMeanwhile();

    Calculator& Calc() override { return calc_; }
    OptionsModel& Options() override { return options_; }
    Skin& SkinRecord() { return skin_; }
    int FunctionListRowHeight() const override { return skin_.functionListRowHeight; }
    double TwipsX() const override { return twipsX_; }
    double TwipsY() const override { return twipsY_; }

    frmQuorva& MainWindow() { return *main_; }
    frmCommands* FunctionsWindow() const { return functions_.get(); }  // nullptr until first use
    frmLargeStack* LargeStackWindow() const { return large_.get(); }
    frmAbout* AboutWindow() const { return about_.get(); }  // nullptr until the splash is due
    TrayIcon* Tray() const { return tray_.get(); }  // nullptr until the calculator is on screen

    bool FunctionsWindowShown = false;
    bool LargeStackShown = false;

    // Skins.
    void SetDefaultSkin() override;
    // Overlays the description file on the current skin and loads its picture. False when the
    // skin cannot be had (missing or unreadable description, unreadable picture): the skin stays
    // as it was, the saved choice with it, and stderr says why; chosen: the user picked it (a
    // missing file is told too).
    bool LoadSkin(const std::string& file, bool chosen = false) override;
    void ApplySkin() override;
    SkinFolders SkinFolderList() const override;
    static QImage DefaultSkinPicture();
    // The primary screen has two device pixels per pixel or more.
    static bool SharpScreen();

    // Windows as a group, the splash, and the end.
    void ShowAboutWindow();  // the splash is due: it comes right after the calculator is shown
    void HideAllWindows() override;
    void ShowAllWindows();
    void QuitProgram() override;        // asks first when chkConfExit is ticked
    void QuitWithoutAsking() override;  // hide, save, remove the icon, end
    std::function<void()> endProgram;  // ends the event loop; tests replace it
    // Whether a notification area holds our icon; tests replace it.
    std::function<bool()> trayHostAvailable;

    // The notification-area menu, and a later start of the program asking us to show.
    void mnuQuorva_Click();
    void mnuFunctions_Click();
    void mnuLargeStack_Click();
    void mnuQuit_Click();
    // A later start's request: show, show or hide (toggle), or quit.
    void AtRequest(const instance::Request& request);
    void ShowAtRequest(const instance::Request& request = {});
    // After the hide zone: without a notification area, say once how to come back.
    void TellIfStranded() override;
    // The desktop session ends or a signal asks us to: save as quitting does, ask nothing.
    void SessionEnding();

    static std::string SettingsPathFor(const StartOptions& start);
    // The skins folders and the manual's page of this program: beside it, then its
    // installation's share folder. The page is empty when none is found.
    static SkinFolders InstalledSkinFolders();
    static std::string ManualPage();
    std::string SettingsPath() const;
    SettingsResult SaveSettings();
    // quorva.stack beside the settings file.
    std::string StackPath() const;

    // Host
    std::string ClipboardText() override;
    void SetClipboardText(const std::string& text) override;
    bool LargeStackVisible() const override;
    void ToggleFunctionsWindow() override;
    void ToggleLargeStackWindow() override;
    void EntryTimerChanged(bool running) override;
    void ViewsChanged(unsigned views) override;

    // SettingsTarget
    void SetMainWindowLeft(double pixels) override;
    void SetMainWindowTop(double pixels) override;
    double MainWindowLeft() const override;
    double MainWindowTop() const override;
    void SetOnTop() override;
    void SetNotOnTop() override;
    void SetTransparency(uint8_t alpha) override;
    void SetFunctionsWindowShown(bool shown) override;

private:
    SettingsContext Context();
    void Report(const SettingsResult& result, const char* shown);
    void Tell(std::string& told, bool ok, const std::string& message, const char* shown);
    void LoadStack();
    void SaveAtQuit();  // the settings, and the stack file kept or removed
    frmCommands& Functions();
    frmLargeStack& Large();
    bool TrayHost() const;
    void BringMainWindowForward(const instance::Request& request = {});
    void ShowSplashNow();
    void MakeTrayIcon();
    void PictureShown();  // one of the start's first pictures is on screen
    void AfterFirstPictures();

    StartOptions start_;
    OptionsModel options_;
    Calculator calc_;
    Skin skin_;
    double twipsX_;
    double twipsY_;
    std::unique_ptr<frmQuorva> main_;
    std::unique_ptr<frmCommands> functions_;
    std::unique_ptr<frmLargeStack> large_;
    std::unique_ptr<frmAbout> about_;
    std::unique_ptr<TrayIcon> tray_;
    std::future<QImage> defaultPicture_;
    std::future<QImage> splashArt_;
    std::future<void> helper_;
    bool aboutDue_ = false;
    int picturesDue_ = 0;  // first pictures of the start not yet painted
    bool ended_ = false;
    std::string settingsTrouble_;  // the settings file problem last told; empty while none
    std::string stackTrouble_;     // the same for the stack file
    bool toldNoTray_ = false;
};

}  // namespace quorva
