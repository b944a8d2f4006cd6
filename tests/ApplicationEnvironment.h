#pragma once

#include <gtest/gtest.h>

#include <memory>

namespace qormtest {

// The test program's application object, of the class the program under test uses.
template <class Application>
class ApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override { application_ = std::make_unique<Application>(argc_, argv_); }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[10] = "qormtests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<Application> application_;
};

}  // namespace qormtest
