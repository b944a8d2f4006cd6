// What the script function library asks of the interpreter control: the
// members of its automation interface that register host functions and
// constants, read the arguments of a host-function call and hand its result
// back. The script window adapts the control to it; tests put a fake in its
// place. Texts are 8-bit, in the system's code page.
#pragma once

#include <string>

class ScriptControlApi {
public:
    // The control's result types of host functions and variables.
    enum TxTypes : int {
        TxNone = 0,
        TxNumber = 1,
        TxString = 2,
    };

    // A function callable from scripts by `keyword`, reported to the host
    // by `ordinal`, taking from `minParams` to `paramCount` arguments.
    virtual void AddFunction(const std::string& keyword, int paramCount, int ordinal, TxTypes returnType,
                             int minParams) = 0;
    virtual void AddVariable(const std::string& varName, TxTypes varType, bool isConstant) = 0;
    virtual void SetNVariable(const std::string& varName, double value) = 0;

    // The argument at the 1-based position of the call in progress: as a
    // number (0 when it is missing or not a number), or as its text ("" when
    // it is missing).
    virtual double GetNParam(int position) = 0;
    virtual std::string GetSParam(int position) = 0;

    // The value of the call in progress. The control keeps the last value
    // given between calls, so every call of a function must set its result.
    virtual void UserNReturn(double value) = 0;
    virtual void UserSReturn(const std::string& value) = 0;

    // Stops the script that is running.
    virtual void Terminate() = 0;

protected:
    ~ScriptControlApi() = default;
};
