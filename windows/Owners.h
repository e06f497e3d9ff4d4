#pragma once
// What each window asks of the program around it, and no more: the calculator its keys go to,
// the screen's twips per pixel, and the few program actions its own controls start. The
// program implements all three; a window never sees the others.

#include <string>

namespace quorva {

class Calculator;
class OptionsModel;
struct Skin;
struct SkinFolders;

// Every window: the calculator its keys go to, and the screen's twips per pixel.
class FormOwner {
public:
    virtual Calculator& Calc() = 0;
    virtual double TwipsX() const = 0;
    virtual double TwipsY() const = 0;

protected:
    ~FormOwner() = default;
};

class MainWindowOwner : public FormOwner {
public:
    virtual OptionsModel& Options() = 0;
    virtual void ToggleFunctionsWindow() = 0;
    virtual void ToggleLargeStackWindow() = 0;
    virtual void HideAllWindows() = 0;
    virtual void TellIfStranded() = 0;  // after the hide zone
    virtual void QuitProgram() = 0;     // asks first when so ticked
    virtual void QuitWithoutAsking() = 0;

protected:
    ~MainWindowOwner() = default;
};

class FunctionsOwner : public FormOwner {
public:
    virtual OptionsModel& Options() = 0;
    virtual void ToggleFunctionsWindow() = 0;
    virtual int FunctionListRowHeight() const = 0;
    virtual SkinFolders SkinFolderList() const = 0;
    // The skin list's choices; the window applies the result.
    virtual bool LoadSkin(const std::string& file, bool chosen) = 0;
    virtual void SetDefaultSkin() = 0;
    virtual void ApplySkin() = 0;

protected:
    ~FunctionsOwner() = default;
};

class LargeStackOwner : public FormOwner {
public:
    virtual void ToggleLargeStackWindow() = 0;

protected:
    ~LargeStackOwner() = default;
};

}  // namespace quorva
