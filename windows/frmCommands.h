#pragma once
// The Functions and Settings window: every command with its help text (a click runs it), and
// five tabs of options that show and edit the one OptionsModel, the choice of skin and the
// main window's transparency.

#include <QUrl>
#include <QWidget>

#include <array>
#include <string>

#include "Options.h"
#include "Owners.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QScrollBar;
class QTabWidget;

namespace quorva {


// The keyboard help of the " Controls " page as the labels store it ("&&" is one "&").
const std::array<const char*, 13>& KeyboardHelp1();
const std::array<const char*, 4>& KeyboardHelp2();

class frmCommands : public QWidget {
public:
    explicit frmCommands(FunctionsOwner& program);
    ~frmCommands() override;

    QListWidget* const lstFunctions;
    QTabWidget* const tabOptions;
    std::array<QWidget*, 5> fStrip{};
    QLabel* picLogo = nullptr;
    QPushButton* cmdInternet = nullptr;
    // " Skins "
    QListWidget* flstSkins = nullptr;
    QPushButton* cmdChangeSkin = nullptr;
    QPushButton* cmdDefaultSkin = nullptr;
    QLabel* Label1 = nullptr;
    QScrollBar* scrTransp = nullptr;
    QLabel* lblTranspNote = nullptr;  // why the opacity shows no effect here, when it cannot
    // " Controls "
    QLabel* txtHelp1 = nullptr;
    QLabel* txtHelp2 = nullptr;
    // The check boxes, by option (nullptr for the scroll bar's option).
    QCheckBox* CheckBox(Option id) const { return boxes_[static_cast<size_t>(id)]; }

    // The page of documentation cmdInternet opens: the installed page, else the one in the
    // source tree the program was built from; empty when neither is there.
    // The manual's page beside the program (not there: WebPage() is empty).
    static QString WebPagePath();
    static QUrl WebPage();

    // Repaint what the View bits name (the selected row of the list).
    void Refresh(unsigned views);
    // Fill flstSkins with the "*.qsd" files of every skins folder.
    void RereadSkins();
    // Put the window, with its frame, at the screen's top-left corner.
    void MoveTopLeft();

    // Event handlers; y is the pointer's height in the list, in pixels.
    void lstFunctions_MouseMove(int y);
    void lstFunctions_MouseDown(int y);
    void lstFunctions_DblClick();
    void tabOptions_Click(int index);
    void cmdChangeSkin_Click();
    void cmdDefaultSkin_Click();
    void scrTransp_Change(int value);
    void cmdInternet_Click();

protected:
    bool event(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    int PixelsX(double twips) const;
    int PixelsY(double twips) const;
    int RowAt(int y) const;
    QWidget* MakeSkinsPage();
    QWidget* MakeLaunchPage();
    QWidget* MakeControlsPage();
    QWidget* MakeDecimalPage();
    QWidget* MakeExitPage();
    QCheckBox* MakeCheckBox(Option id, const char* text);
    void ShowOption(Option id, int16_t value);
    void ShowTranslucencyNote();

    FunctionsOwner& program_;
    std::array<QCheckBox*, kOptionCount> boxes_{};
    int optionsToken_ = 0;
    QLabel* noSkins_ = nullptr;
    QPoint frameOffset_{-1, -1};  // the client area within the frame, once it has been seen
};

}  // namespace quorva
