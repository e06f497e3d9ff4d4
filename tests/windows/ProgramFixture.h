#pragma once
// A whole program started on the offscreen platform with its settings file in a temporary
// folder; the end of the program is counted, not carried out.

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "Program.h"
#include "frmQuorva.h"

namespace quorva {

class ProgramFixture : public ::testing::Test {
protected:
    void Start(const std::string& ini = {}, bool trayHost = true) {
        ASSERT_TRUE(dir_.isValid());
        if (!ini.empty()) std::ofstream(IniPath(), std::ios::binary) << ini;
        start_.configDir = dir_.path().toStdString();
        program_ = std::make_unique<Program>(start_);
        program_->endProgram = [this] { ++ended_; };
        program_->trayHostAvailable = [trayHost] { return trayHost; };
        program_->Main();
    }
    std::string IniPath() const { return dir_.filePath("quorva.ini").toStdString(); }
    bool IniExists() const { return std::ifstream(IniPath()).good(); }
    std::string IniText() const {
        std::ifstream in(IniPath(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    Program& P() { return *program_; }
    frmQuorva& W() { return program_->MainWindow(); }
    Calculator& Calc() { return program_->Calc(); }
    int Count() const { return program_->Calc().Stack().StackCount(); }
    double Top() const { return program_->Calc().Stack().GetTop().value; }

    QTemporaryDir dir_;
    StartOptions start_;
    std::unique_ptr<Program> program_;
    int ended_ = 0;
};

}  // namespace quorva
