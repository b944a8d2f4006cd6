// One QApplication for the whole test program, made before the first test and
// destroyed after the last, so tests can create widgets on the offscreen platform.
#pragma once

#include "ApplicationEnvironment.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace qormtest {

using QtApplicationEnvironment = ApplicationEnvironment<QApplication>;

inline ::testing::Environment* const qtApplicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace qormtest
