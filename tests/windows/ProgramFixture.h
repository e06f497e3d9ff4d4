#pragma once
// A whole program started on the offscreen platform with its settings file in a temporary
// folder; the end of the program is counted, not carried out.

#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "Program.h"
#include "frmQuorva.h"

namespace quorva {

class ProgramFixture : public ::testing::Test {
protected:
    // The settings go to start_.configDir when a test chose one, else to a temporary folder.
    void Start(const std::string& ini = {}, bool trayHost = true) {
        ASSERT_TRUE(dir_.isValid());
        start_.configDir = ConfigDir();
        if (!ini.empty()) std::ofstream(IniPath(), std::ios::binary) << ini;
        program_ = std::make_unique<Program>(start_);
        program_->endProgram = [this] { ++ended_; };
        program_->trayHostAvailable = [trayHost] { return trayHost; };
        program_->Main();
    }
    std::string ConfigDir() const {
        return start_.configDir.empty() ? dir_.path().toStdString() : start_.configDir;
    }
    std::string IniPath() const { return ConfigDir() + "/quorva.ini"; }
    static std::string FileText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::string IniText() const { return FileText(IniPath()); }
    bool IniHas(const std::string& line) const { return IniText().find(line) != std::string::npos; }
    Program& P() { return *program_; }
    frmQuorva& W() { return program_->MainWindow(); }
    Calculator& Calc() { return program_->Calc(); }
    int Count() const { return program_->Calc().Stack().StackCount(); }
    double Top() const { return program_->Calc().Stack().GetTop().value; }
    std::vector<double> Values() const {
        std::vector<double> v;
        for (int q = 1; q <= Count(); ++q) v.push_back(program_->Calc().Stack().GetItem(q).value);
        return v;
    }
    void Type(const char* keys, QWidget* to = nullptr) {
        QTest::keyClicks(to ? to : &W(), QString::fromLatin1(keys));
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier, QWidget* to = nullptr) {
        QTest::keyClick(to ? to : &W(), key, mods);
    }
    static void Click(QWidget* w, Qt::MouseButton b = Qt::LeftButton) { QTest::mouseClick(w, b); }

    QTemporaryDir dir_;
    StartOptions start_;
    std::unique_ptr<Program> program_;
    int ended_ = 0;
};

}  // namespace quorva
