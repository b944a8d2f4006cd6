// One QApplication for the whole test program, made before the first test and
// destroyed after the last, so tests can create widgets on the offscreen platform.
#pragma once

#include <QApplication>
#include <gtest/gtest.h>

#include <memory>

namespace qormtest {

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override { application_ = std::make_unique<QApplication>(argc_, argv_); }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[10] = "qormtests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

inline ::testing::Environment* const qtApplicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace qormtest
