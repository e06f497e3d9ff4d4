#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QUrl>

#include "Commands.h"
#include "ProgramFixture.h"
#include "frmCommands.h"

// Takes what QDesktopServices would hand to the browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

namespace quorva {
namespace {

class FunctionsWindowTest : public ProgramFixture {
protected:
    frmCommands& F() {
        if (P().FunctionsWindow() == nullptr || !P().FunctionsWindow()->isVisible()) {
            QTest::keyClick(&W(), Qt::Key_F1);
        }
        return *P().FunctionsWindow();
    }
    int RowHeight() { return P().SkinRecord().FunctionListRowHeight; }
    QWidget* List() { return F().lstFunctions->viewport(); }
    QPoint RowPoint(int row) { return QPoint(30, row * RowHeight() + RowHeight() / 2); }
    void ClickRow(int row) { QTest::mouseClick(List(), Qt::LeftButton, Qt::NoModifier, RowPoint(row)); }
    void Type(QWidget* w, const char* keys) { QTest::keyClicks(w, QString::fromLatin1(keys)); }
};

TEST_F(FunctionsWindowTest, TextsAndPlacesAsDesigned) {
    Start();
    frmCommands& f = F();
    EXPECT_EQ(f.windowTitle(), "Quorva 4.00 - Functions and Settings");
    EXPECT_EQ(f.pos(), QPoint(0, 0));

    ASSERT_EQ(f.lstFunctions->count(), 39);
    EXPECT_EQ(f.lstFunctions->item(0)->text(), "  +    ...addition");
    EXPECT_EQ(f.lstFunctions->item(27)->text(), "  ;;s  ...sin");
    for (int separator : {17, 25, 33}) EXPECT_EQ(f.lstFunctions->item(separator)->text(), "   ");
    EXPECT_EQ(f.lstFunctions->item(38)->text(), "  u    ...undo");
    EXPECT_TRUE(f.lstFunctions->font().bold());
    EXPECT_EQ(f.lstFunctions->font().family(), "Courier New");
    EXPECT_EQ(f.lstFunctions->palette().color(QPalette::Text), QColor(0, 0, 0x80));
    EXPECT_EQ(f.lstFunctions->palette().color(QPalette::Base), QColor(Qt::white));
    // All 39 rows in sight, each exactly one row height.
    EXPECT_EQ(f.lstFunctions->visualItemRect(f.lstFunctions->item(38)).top(), 38 * RowHeight());
    EXPECT_LE(39 * RowHeight(), f.lstFunctions->viewport()->height());

    const QStringList tabs = {" Skins ", " At launch ", " Controls ", " Decimal ", " On exit "};
    ASSERT_EQ(f.tabOptions->count(), tabs.size());
    for (int i = 0; i < tabs.size(); ++i) EXPECT_EQ(f.tabOptions->tabText(i), tabs[i]);
    EXPECT_EQ(f.tabOptions->currentIndex(), 0);
    EXPECT_TRUE(f.tabOptions->tabBar()->font().bold());

    EXPECT_EQ(f.Label1->text(), "Transparency    (Windows 2000 and above)");
    EXPECT_EQ(f.cmdChangeSkin->text(), "Change skin");
    EXPECT_EQ(f.cmdDefaultSkin->text(), "Set default skin");
    EXPECT_EQ(f.cmdInternet->text(), "View webpage (skins, latest version)");
    EXPECT_GE(f.cmdInternet->width(), f.cmdInternet->sizeHint().width());
    EXPECT_EQ(f.scrTransp->minimum(), 50);
    EXPECT_EQ(f.scrTransp->maximum(), 255);
    EXPECT_EQ(f.scrTransp->singleStep(), 1);
    EXPECT_EQ(f.scrTransp->pageStep(), 25);
    EXPECT_EQ(f.scrTransp->value(), 255);

    // The logo lies over the pages, whichever is in front.
    for (int i = 0; i < 5; ++i) {
        f.tabOptions->setCurrentIndex(i);
        const QList<QObject*> order = f.children();
        EXPECT_GT(order.indexOf(f.picLogo), order.indexOf(f.tabOptions));
        EXPECT_TRUE(f.tabOptions->geometry().contains(f.picLogo->geometry()));
        EXPECT_TRUE(f.fStrip[i]->isVisible());
    }
    EXPECT_FALSE(f.picLogo->pixmap().isNull());
}

TEST_F(FunctionsWindowTest, KeyboardHelpAndDecimalNotesToTheLetter) {
    Start();
    frmCommands& f = F();
    const QStringList help1 = f.txtHelp1->text().split('\n');
    ASSERT_EQ(help1.size(), 14);  // 13 lines, each ended
    EXPECT_EQ(help1[0], "<Enter> : validate input line / duplicate last item or selected item");
    EXPECT_EQ(help1[4], "");
    EXPECT_EQ(help1[11], "& : start hexadecimal input");
    EXPECT_EQ(help1[12], "' : start binary input");
    EXPECT_EQ(f.txtHelp2->text(), "F1 : show/hide this screen\nF2 : show/hide large stack display\n"
                                  "F3 : radians/degrees\nF4 : set decimal places\n");
    QStringList notes;
    for (const QLabel* label : f.fStrip[3]->findChildren<QLabel*>()) notes << label->text();
    for (const char* note : {"enabled : 5 is displayed 5.00 (if set to 2 decimals)",
                             "disabled : 5 is displayed 5 (even if set to 2 decimals)",
                             "enabled : 1/3=0.33 ; then *100=33.33 (if set to 2 decimals) ",
                             "disabled : 1/3=0.33 ; then *100=33 (if set to 2 decimals) "}) {
        EXPECT_TRUE(notes.contains(QString::fromLatin1(note))) << note;
    }
}

struct BoxCase {
    Option id;
    int page;
    const char* text;
};

TEST_F(FunctionsWindowTest, EveryCheckBoxShowsAndEditsItsOption) {
    Start("FillDecimals= 2\r\n");
    frmCommands& f = F();
    const BoxCase cases[] = {
        {Option::OnTop, 1, "Always on top"},
        {Option::ShowFunctions, 1, "Show functions window"},
        {Option::Hide, 1, "Start minimized"},
        {Option::FillDecimals, 3, "Fill with \"0\" to the desired decimal rank"},
        {Option::FullPrecision, 3, "Keep internally the full precision"},
        {Option::DecUpdate, 3, "Update stack when changing decimal rank"},
        {Option::EngFormat, 3, "Show numbers in engineering format"},
        {Option::DirectExit, 4, "Directly exit Quorva when using the \"hide\" button"},
        {Option::ConfirmExit, 4, "Ask for a confirmation before exiting Quorva"},
    };
    OptionsModel& model = P().Options();
    for (const BoxCase& c : cases) {
        SCOPED_TRACE(c.text);
        QCheckBox* box = f.CheckBox(c.id);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->objectName(), InfoOf(c.id).control);
        EXPECT_EQ(box->text(), c.text);
        EXPECT_TRUE(f.fStrip[c.page]->isAncestorOf(box));
        // The box shows the model: the design value, or what the settings file said.
        const int16_t shown = c.id == Option::FillDecimals ? 2 : InfoOf(c.id).designValue;
        EXPECT_EQ(model.value(c.id), shown);
        EXPECT_EQ(box->checkState(), shown == 2 ? Qt::PartiallyChecked : shown ? Qt::Checked : Qt::Unchecked);

        f.tabOptions->setCurrentIndex(c.page);
        box->setCheckState(Qt::Unchecked);
        const QPoint tick(8, box->height() / 2);
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, tick);  // a click ticks it
        EXPECT_EQ(model.value(c.id), 1);
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, tick);
        EXPECT_EQ(model.value(c.id), 0);
        model.set(c.id, 1);
        EXPECT_EQ(box->checkState(), Qt::Checked);
        model.set(c.id, 2);
        EXPECT_EQ(box->checkState(), Qt::PartiallyChecked);
    }
    EXPECT_EQ(f.CheckBox(Option::Transparency), nullptr);
}

TEST_F(FunctionsWindowTest, ScrollBarSetsTheCalculatorsOpacityAndFollowsTheSettings) {
    Start("Transparency= 128\r\n");
    frmCommands& f = F();
    EXPECT_EQ(f.scrTransp->value(), 128);
    f.scrTransp->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(P().Options().value(Option::Transparency), 153);
    EXPECT_NEAR(W().windowOpacity(), 153 / 255.0, 0.01);
    f.scrTransp->setValue(10);  // below the lower end
    EXPECT_EQ(P().Options().value(Option::Transparency), 50);
    QTest::keyClick(&f, Qt::Key_F1);  // hides and saves
    EXPECT_NE(IniText().find("Transparency= 50\r\n"), std::string::npos) << IniText();
}

TEST_F(FunctionsWindowTest, PointerHighlightsCommandRowsAndSkipsSeparators) {
    Start();
    F();
    const struct {
        int row;       // where the pointer goes
        int selected;  // the highlighted row afterwards
    } steps[] = {{0, 0}, {5, 5}, {16, 16}, {17, 16}, {18, 18}, {25, 18}, {26, 26},
                 {33, 26}, {34, 34}, {38, 38}};
    for (const auto& s : steps) {
        QTest::mouseMove(List(), RowPoint(s.row));
        EXPECT_EQ(Calc().FunctionRow(), s.selected) << "pointer on row " << s.row;
        EXPECT_EQ(F().lstFunctions->currentRow(), s.selected) << "pointer on row " << s.row;
    }
    EXPECT_EQ(Count(), 0);  // moving runs nothing
}

TEST_F(FunctionsWindowTest, PressOnSineRowPushesTheTypedNumberFirst) {
    Start();
    frmCommands& f = F();
    QTest::keyClick(&f, Qt::Key_F3);  // degrees
    ASSERT_FALSE(Calc().AngleRadians());
    Type(&f, "30");
    ClickRow(27);
    ASSERT_EQ(Count(), 1);
    EXPECT_NEAR(Top(), 0.5, 1e-12);
    EXPECT_EQ(Calc().EntryText(), "");
    EXPECT_EQ(f.lstFunctions->currentRow(), 27);
}

TEST_F(FunctionsWindowTest, ClearRowKeepsTheNumberBeingTyped) {
    Start();
    frmCommands& f = F();
    Type(&f, "1\r2\r7");
    ASSERT_EQ(Count(), 2);
    ClickRow(34);
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(Calc().EntryText(), "7");
    QTest::keyClick(&f, Qt::Key_Return);
    EXPECT_EQ(Count(), 1);
    EXPECT_EQ(Top(), 7);
}

TEST_F(FunctionsWindowTest, DoubleClickRunsTheRowTwiceAndSeparatorsOnlyPush) {
    Start();
    frmCommands& f = F();
    Type(&f, "1\r2\r3\r");
    ClickRow(0);
    QTest::mouseDClick(List(), Qt::LeftButton, Qt::NoModifier, RowPoint(0));
    ASSERT_EQ(Count(), 1);
    EXPECT_EQ(Top(), 6);  // 1 + 2 + 3: the press and the double click each added

    Type(&f, "4");
    ClickRow(17);  // a separator row: the typed number goes onto the stack, nothing runs
    EXPECT_EQ(Count(), 2);
    EXPECT_EQ(Top(), 4);

    // An error is reported in the entry line and the list goes on working.
    Type(&f, "0");
    ClickRow(3);  // 4 / 0
    EXPECT_EQ(W().lblEntryDisplay->text(), "DIVISION BY ZERO");
    EXPECT_EQ(Count(), 2);  // the division dropped its zero
    ClickRow(36);  // change sign
    EXPECT_EQ(Top(), -4);
}

TEST_F(FunctionsWindowTest, KeysReachTheCalculatorWhicheverControlHasTheFocus) {
    Start();
    frmCommands& f = F();
    QCheckBox* box = f.CheckBox(Option::DirectExit);
    f.tabOptions->setCurrentIndex(4);
    box->setFocus();
    QGuiApplication::clipboard()->setText("before");
    Type(box, "12\r");
    EXPECT_EQ(Count(), 1);
    EXPECT_EQ(Top(), 12);
    EXPECT_EQ(box->checkState(), Qt::Unchecked);  // a typed character does not tick the box
    QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromStdString(Calc().Stack().GetTop().text));

    // The skins list must not take a typed letter for a search, nor Ctrl+C for its own copy.
    f.tabOptions->setCurrentIndex(0);
    f.flstSkins->addItem("only.qsd");
    f.flstSkins->setFocus();
    Type(f.flstSkins, "3+");
    EXPECT_EQ(Top(), 15);
    QTest::keyClick(f.flstSkins, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromStdString(Calc().Stack().GetTop().text));

    // Space still ticks a box.
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Space);
    EXPECT_EQ(P().Options().value(Option::DirectExit), 1);

    // F2 opens the large stack from here too; F1 hides this window.
    QTest::keyClick(box, Qt::Key_F2);
    EXPECT_TRUE(P().LargeStackVisible());
    QTest::keyClick(box, Qt::Key_F1);
    EXPECT_FALSE(f.isVisible());
}

TEST_F(FunctionsWindowTest, CloseBoxHidesAndSavesAndF1ReopensTopLeft) {
    Start();
    frmCommands& f = F();
    EXPECT_TRUE(P().FunctionsWindowShown);
    ASSERT_FALSE(IniExists());
    f.move(200, 150);
    W().move(321, 123);
    EXPECT_TRUE(f.close() == false);  // refused: the window only hides
    EXPECT_FALSE(f.isVisible());
    EXPECT_FALSE(P().FunctionsWindowShown);
    EXPECT_NE(IniText().find("WindowPositionX= 321\r\n"), std::string::npos) << IniText();
    QTest::keyClick(&W(), Qt::Key_F1);
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.pos(), QPoint(0, 0));
    EXPECT_EQ(P().FunctionsWindow(), &f);  // the same window, never made twice
}

// A skins folder with descriptions and a picture of its own size.
void WriteSkin(const QString& folder, const QString& name, QSize size) {
    QDir().mkpath(folder);
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(qRgb(0, 255, 0));
    picture.save(folder + "/" + name + ".png");
    QFile file(folder + "/" + name + ".qsd");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("bitmap_file=") + name.toUtf8() + ".png\r\nstack_x=5\r\n");
}

TEST_F(FunctionsWindowTest, SkinsFromEveryFolderChangeAndReturnToTheDefault) {
    QTemporaryDir skins;
    const QString first = skins.filePath("own");
    const QString second = skins.filePath("installed");
    WriteSkin(first, "blue", {300, 200});
    WriteSkin(second, "blue", {310, 210});  // hidden by the program's own
    WriteSkin(second, "wide", {400, 120});
    QFile(second + "/notes.txt").open(QIODevice::WriteOnly);
    start_.skinsFolders = {first.toStdString(), second.toStdString()};
    Start();
    frmCommands& f = F();
    ASSERT_EQ(f.flstSkins->count(), 2);
    EXPECT_EQ(f.flstSkins->item(0)->text(), "blue.qsd");
    EXPECT_EQ(f.flstSkins->item(1)->text(), "wide.qsd");

    f.cmdChangeSkin->click();  // nothing chosen: nothing happens
    EXPECT_EQ(P().SkinRecord().SkinFile, "default");

    f.flstSkins->setCurrentRow(0);
    f.cmdChangeSkin->click();
    EXPECT_EQ(P().SkinRecord().SkinFile, (first + "/blue.qsd").toStdString());
    EXPECT_EQ(W().size(), QSize(300, 200));
    EXPECT_EQ(W().lblStackDisplay->pos().x(), 5);
    f.flstSkins->setCurrentRow(1);
    f.cmdChangeSkin->click();
    EXPECT_EQ(W().size(), QSize(400, 120));

    f.cmdDefaultSkin->click();
    EXPECT_EQ(P().SkinRecord().SkinFile, "default");
    EXPECT_EQ(W().size(), QSize(262, 188));
    EXPECT_TRUE(W().isVisible());

    // F1 reads the folder again when it opens the window.
    WriteSkin(first, "added", {100, 100});
    QTest::keyClick(&f, Qt::Key_F1);
    QTest::keyClick(&W(), Qt::Key_F1);
    EXPECT_EQ(f.flstSkins->count(), 3);
}

TEST_F(FunctionsWindowTest, WebpageButtonOpensTheShippedDocumentation) {
    Start();
    const QUrl page = frmCommands::WebPage();
    ASSERT_TRUE(page.isLocalFile());
    EXPECT_TRUE(QFile::exists(page.toLocalFile())) << page.toString().toStdString();
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    F().cmdInternet->click();
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened.front(), page);
}

}  // namespace
}  // namespace quorva

#include "FunctionsWindowTest.moc"
