// Enumerations the interpreter shares with its hosts; the values are part of
// the automation contract and never change.
#pragma once

namespace pevox {

enum TxExitCodes : int {
    TxNormal = 0,
    TxBreak = 1,
    TxKilled = 2,
    TxReset = 3,
    TxError = 4,
};

enum TxTypes : int {
    TxNone = 0,
    TxNumber = 1,
    TxString = 2,
};

enum TxExecutionModes : int {
    TxRun = 0,
    TxStep = 1,
};

enum TxStates : int {
    TxStsIdle = 0,
    TxStsBusy = 1,
    TxStsInitting = 2,
};

}  // namespace pevox
