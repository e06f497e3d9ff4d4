#include <QCheckBox>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

#include "ProgramFixture.h"
#include "frmCommands.h"

// Takes what QDesktopServices would hand to the browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
    Q_INVOKABLE void open(const QUrl& url) { opened.append(url); }
};

namespace quorva {
namespace {

class FunctionsWindowTest : public ProgramFixture {
protected:
    frmCommands& F() {
        if (P().FunctionsWindow() == nullptr || !P().FunctionsWindow()->isVisible()) Key(Qt::Key_F1);
        return *P().FunctionsWindow();
    }
    int RowHeight() { return P().SkinRecord().functionListRowHeight; }
    QWidget* List() { return F().lstFunctions->viewport(); }
    QPoint RowPoint(int row) { return QPoint(30, row * RowHeight() + RowHeight() / 2); }
    void ClickRow(int row) { QTest::mouseClick(List(), Qt::LeftButton, Qt::NoModifier, RowPoint(row)); }
};

TEST_F(FunctionsWindowTest, CheckBoxesAndScrollBarShowAndEditTheirOptionAndKeysReachTheCalculator) {
    Start("FillDecimals= 2\r\nTransparency= 128\r\n");
    frmCommands& f = F();
    OptionsModel& model = P().Options();
    using enum Option;
    for (const Option id : {OnTop, ShowFunctions, Hide, FillDecimals, FullPrecision, DecUpdate,
                            EngFormat, DirectExit, ConfirmExit, KeepStack}) {
        SCOPED_TRACE(InfoOf(id).control);
        QCheckBox* box = f.CheckBox(id);
        ASSERT_TRUE(box != nullptr && f.isAncestorOf(box));
        // The box shows the model: the design value, or what the settings file said.
        const int16_t shown = id == FillDecimals ? 2 : InfoOf(id).designValue;
        EXPECT_EQ(box->checkState(), shown == 2 ? Qt::PartiallyChecked : shown ? Qt::Checked : Qt::Unchecked);
        box->setCheckState(Qt::Unchecked);
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(8, box->height() / 2));
        EXPECT_EQ(model.Value(id), 1);
        model.Set(id, 2);
        EXPECT_EQ(box->checkState(), Qt::PartiallyChecked);
    }
    EXPECT_EQ(f.scrTransp->value(), 128);
    f.scrTransp->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_NEAR(W().windowOpacity(), 153 / 255.0, 0.01);
    f.scrTransp->setValue(10);
    EXPECT_EQ(model.Value(Transparency), 50);  // never fainter

    // Keys reach the calculator whichever control has the focus: a typed character ticks no box
    // (space still does), the skins list takes no letter for a search nor Ctrl+C for its copy.
    QCheckBox* box = f.CheckBox(DirectExit);
    box->setCheckState(Qt::Unchecked);
    box->setFocus();
    Type("12\r", box);
    EXPECT_EQ(Values(), std::vector<double>{12});
    EXPECT_EQ(box->checkState(), Qt::Unchecked);
    Key(Qt::Key_Space, Qt::NoModifier, box);
    EXPECT_EQ(model.Value(DirectExit), 1);
    f.flstSkins->addItem("only.qsd");
    f.flstSkins->setFocus();
    Type("3+", f.flstSkins);
    EXPECT_EQ(Top(), 15);
    Key(Qt::Key_C, Qt::ControlModifier, f.flstSkins);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), Calc().Stack().GetTop().text);
    Key(Qt::Key_F2, Qt::NoModifier, box);  // the large stack opens from here too
    EXPECT_TRUE(P().LargeStackVisible());
}

// Every row is in sight; the pointer picks the row, and a press or a double click runs it after
// pushing the typed number (what each row does is the key cases' <fn:K>).
TEST_F(FunctionsWindowTest, PointerHighlightsCommandRowsAndAPressOrADoubleClickRunsOne) {
    Start();
    ASSERT_EQ(F().lstFunctions->count(), 39);
    EXPECT_EQ(F().lstFunctions->visualItemRect(F().lstFunctions->item(38)).top(), 38 * RowHeight());
    EXPECT_LE(39 * RowHeight(), List()->height());
    const int steps[][2] = {{0, 0}, {16, 16}, {17, 16}, {18, 18}, {25, 18}, {26, 26}, {33, 26}, {38, 38}};
    for (const auto& s : steps) {  // where the pointer goes, the highlighted row afterwards
        QTest::mouseMove(List(), RowPoint(s[0]));
        EXPECT_EQ(Calc().FunctionRow(), s[1]) << "pointer on row " << s[0];
        EXPECT_EQ(F().lstFunctions->currentRow(), s[1]) << "pointer on row " << s[0];
    }
    EXPECT_EQ(Count(), 0);  // moving runs nothing
    Type("1\r2\r3", &F());
    ClickRow(0);  // "+"
    QTest::mouseDClick(List(), Qt::LeftButton, Qt::NoModifier, RowPoint(0));
    ClickRow(36);  // change sign
    EXPECT_EQ(Values(), std::vector<double>{-6});
}

TEST_F(FunctionsWindowTest, ButtonsChooseASkinFromEveryFolderOrTheDefaultAndOpenTheWebPage) {
    QTemporaryDir skins;
    const QString own = skins.filePath("own"), installed = skins.filePath("installed");
    const auto writeSkin = [](const QString& folder, const QString& name, QSize size) {
        QDir().mkpath(folder);
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(Qt::green);
        picture.save(folder + "/" + name + ".bmp", "PNG");  // a suffix that lies is still read
        std::ofstream((folder + "/" + name + ".qsd").toStdString())
            << "bitmap_file=" << name.toStdString() << ".bmp\r\nstack_x=5\r\n";
    };
    writeSkin(own, "blue", {300, 200});
    writeSkin(installed, "blue", {310, 210});  // hidden by the program's own
    writeSkin(installed, "wide", {400, 120});
    QFile(installed + "/notes.txt").open(QIODevice::WriteOnly);
    start_.skinsFolders = {own.toStdString(), installed.toStdString()};
    Start();
    frmCommands& f = F();
    ASSERT_EQ(f.flstSkins->count(), 2);
    f.flstSkins->setCurrentRow(0);
    f.cmdChangeSkin->click();
    EXPECT_EQ(P().SkinRecord().skinFile, (own + "/blue.qsd").toStdString());
    EXPECT_EQ(W().size(), QSize(300, 200));
    EXPECT_TRUE(W().mask().isEmpty());  // one colour: the whole rectangle shows
    EXPECT_EQ(W().lblStackDisplay->x(), 5);
    f.cmdDefaultSkin->click();
    EXPECT_EQ(W().size(), QSize(262, 188));
    EXPECT_FALSE(W().mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(W().isVisible());
    writeSkin(own, "added", {100, 100});  // F1 reads the folders again when it opens the window
    Key(Qt::Key_F1, Qt::NoModifier, &f);
    Key(Qt::Key_F1);
    EXPECT_EQ(f.flstSkins->count(), 3);

    // The web page opens; where it is looked for is install.check's (--paths).
    const QString path = frmCommands::WebPagePath();
    ASSERT_FALSE(QFile::exists(path)) << "left by an earlier run: " << qPrintable(path);
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()) && QFile(path).open(QIODevice::WriteOnly));
    const QUrl url = frmCommands::WebPage();
    f.cmdInternet->click();
    QDesktopServices::unsetUrlHandler("file");
    QFile::remove(path);
    QDir().rmpath(QFileInfo(path).path());
    EXPECT_EQ(catcher.opened, QList<QUrl>{url});
}

}  // namespace
}  // namespace quorva

#include "FunctionsWindowTest.moc"
