#pragma once

#include <QThreadPool>
#include <gtest/gtest.h>

#include <memory>

namespace qormtest {

// The test program's application object, of the class the program under test uses.
template <class Application>
class ApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override { application_ = std::make_unique<Application>(argc_, argv_); }
    // Qt paints large areas on threads of its global pool; they are ended
    // before the application goes, so none is left half-wound at exit (where
    // the leak check would count its thread record).
    void TearDown() override {
        QThreadPool::globalInstance()->waitForDone();
        application_.reset();
    }

private:
    int argc_ = 1;
    char name_[10] = "qormtests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<Application> application_;
};

}  // namespace qormtest
