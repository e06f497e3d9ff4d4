#pragma once
// The calculator as the user sees it: a frameless window whose face and outline are the skin
// picture, two displays and six invisible click zones over it.

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>

#include "DisplayLabel.h"
#include "Owners.h"
#include "Skin.h"
#include "Window.h"

class QLabel;
class QListWidget;
class QMouseEvent;

namespace quorva {


// Where the faces the layout was measured with are missing, the faces with the same metrics;
// once for the whole program, before any text is laid out.
void UseMetricCompatibleFonts();

// A label's text as the calculator stores it: "&&" stands for one "&", lines end in CR LF.
QString LabelText(const std::string& stored);

// alpha 0..255 as the opacity of window; false when the desktop cannot show it.
bool SetTransparency(QWidget& window, uint8_t alpha);

// frmDegRad and frmDecimal: a list under their label, closed by a choice, by the label again
// or by their timer.
class PickerWindow : public QWidget {
public:
    PickerWindow(QWidget* owner, const char* name, const char* listName, const char* timerName,
                 const char* accessibleName);
    QListWidget* const list;
    QTimer* const timer;
};

class frmQuorva : public QWidget {
public:
    explicit frmQuorva(MainWindowOwner& program);
    ~frmQuorva() override;

    // The skin: picSkin holds the current picture, ApplySkin gives it to the window. sharper,
    // when given, is the same picture at twice the size: screens of two or more device pixels
    // per pixel show it, while the outline and the size still come from picture.
    void SetSkinPicture(const QImage& picture, const QImage& sharper = {}) {
        picSkin_ = picture;
        picSkin2x_ = sharper;
    }
    const QImage& SkinPicture() const { return picSkin_; }
    // Ends with the window shown, unless show is false (a start into the notification area).
    void ApplySkin(const Skin& skin, bool show = true);
    void PlaceSkinLabels(const Skin& skin);
    void LoadDisplayFaces() const;  // so that the first key does not wait for them

    void SetOnTop();
    void SetNotOnTop();
    bool IsOnTop() const { return isOnTop_; }

    void ToggleAnglePicker();
    void ToggleDecimalsPicker();
    PickerWindow* AnglePicker() const { return frmDegRad_; }       // nullptr until first use
    PickerWindow* DecimalsPicker() const { return frmDecimal_; }

    // Repaint the labels named by the View bits.
    void RefreshViews(unsigned views);
    void EntryTimerChanged(bool running);
    const QTimer& EntryTimer() const { return tmrEntry_; }

    // Runs once, soon after the picture was first painted.
    std::function<void()> firstPainted;

    // A zone clicked, as a screen reader presses it.
    void PressZone(QLabel* zone);

    // Drags begun from this window, for tests.
    int DragsStarted() const { return drag_.Started(); }

    // The controls.
    QLabel* const imgSkin;
    DisplayLabel* const lblStackDisplay;
    DisplayLabel* const lblEntryDisplay;
    QLabel* const lblDecimal;
    QLabel* const lblDeg;
    QLabel* const lblFunctions;
    QLabel* const lblLargeStack;
    QLabel* const lblOnTop;
    QLabel* const lblQuit;

    // Event handlers.
    void Form_MouseDown(const QMouseEvent& event);
    void imgSkin_MouseDown(const QMouseEvent& event);
    void lblStackDisplay_MouseDown(const QMouseEvent& event);
    void lblStackDisplay_DblClick();
    void lblDecimal_Click();
    void lblDeg_Click();
    void lblFunctions_Click();
    void lblLargeStack_Click();
    void lblOnTop_Click();
    void lblQuit_Click();
    void tmrEntry_Timer();
    void frmDegRad_lstDegRad_Click(int row);
    void frmDegRad_tmrDegRad_Timer();
    void frmDecimal_lstDecimal_Click(int row);
    void frmDecimal_tmrDecimal_Timer();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    int Pixels(double twips, bool vertical = false) const;
    void ZoneClicked(QLabel* zone);
    void StartDrag(const QMouseEvent& event);
    PickerWindow* MakePicker(bool angle);
    void TogglePicker(PickerWindow*& picker, QLabel* label, bool angle);

    MainWindowOwner& program_;
    QImage picSkin_;
    QImage picSkin2x_;
    QTimer tmrEntry_;
    bool isOnTop_ = false;
    platform::WindowDrag drag_;
    QLabel* pressedZone_ = nullptr;  // the zone a press went to, until its release
    bool pressWasDouble_ = false;
    bool painted_ = false;  // the picture was painted once
    PickerWindow* frmDegRad_ = nullptr;
    PickerWindow* frmDecimal_ = nullptr;
};

}  // namespace quorva
