#pragma once
// The program around the calculator: its state, its windows, start-up and quitting. It is the
// calculator's Host and the settings file's target.

#include <functional>
#include <memory>
#include <string>

#include "Calculator.h"
#include "Host.h"
#include "Options.h"
#include "Settings.h"
#include "Skin.h"

class QImage;
class QWidget;

namespace quorva {

class frmQuorva;
class frmCommands;
class frmLargeStack;

struct StartOptions {
    std::string configDir;  // --config-dir: the settings file's folder; empty for the usual place
};

class Program final : public Host, public SettingsTarget {
public:
    explicit Program(StartOptions start = {});
    ~Program() override;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Start-up: the window texts, the built-in skin, the settings, the saved skin, the shaped
    // window shown where it was left.
    void Main();

    Calculator& Calc() { return calc_; }
    OptionsModel& Options() { return options_; }
    Skin& SkinRecord() { return skin_; }
    double TwipsX() const { return twipsX_; }
    double TwipsY() const { return twipsY_; }

    frmQuorva& MainWindow() { return *main_; }
    frmCommands* FunctionsWindow() const { return functions_.get(); }  // nullptr until first use
    frmLargeStack* LargeStackWindow() const { return large_.get(); }

    bool FunctionsWindowShown = false;
    bool LargeStackShown = false;

    // Skins.
    void SetDefaultSkin();
    void LoadSkin();
    void ApplySkin();
    static QImage DefaultSkinPicture();

    // Windows as a group, and the end.
    void HideAllWindows();
    void ShowAllWindows();
    void QuitProgram();        // asks first when chkConfExit is ticked
    void QuitWithoutAsking();  // hide, save, end
    std::function<void()> endProgram;  // ends the event loop; tests replace it

    std::string SettingsPath() const;
    SettingsResult SaveSettings();

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
    void Report(const SettingsResult& result);

    StartOptions start_;
    OptionsModel options_;
    Calculator calc_;
    Skin skin_;
    double twipsX_;
    double twipsY_;
    std::unique_ptr<frmQuorva> main_;
    std::unique_ptr<frmCommands> functions_;
    std::unique_ptr<frmLargeStack> large_;
};

}  // namespace quorva
