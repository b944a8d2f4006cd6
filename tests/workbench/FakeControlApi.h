// The interpreter control as the script function library sees it: it records
// what the library registers and sets, hands out the arguments of one call as
// the engine passes them (texts), and keeps the results apart per call so a
// test sees whether a call set its result at all.
#pragma once

#include "Scriptcontrolapi.h"

#include "platform/Numbers.h"

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class TFakeControlApi : public ScriptControlApi {
public:
    struct Function {
        std::string Keyword;
        int ParamCount;
        int Ordinal;
        TxTypes ReturnType;
        int MinParams;
        bool operator==(const Function&) const = default;
    };
    struct Variable {
        std::string Name;
        TxTypes Type;
        bool IsConstant;
        bool operator==(const Variable&) const = default;
    };

    std::vector<Function> Functions;
    std::vector<Variable> Variables;
    std::map<std::string, double> Values;
    int Terminations = 0;

    // The arguments of the next call, and what the call handed back.
    std::vector<std::string> Arguments;
    std::optional<double> NumberResult;
    std::optional<std::string> TextResult;

    void StartCall(std::vector<std::string> arguments) {
        Arguments = std::move(arguments);
        NumberResult.reset();
        TextResult.reset();
    }

    void AddFunction(const std::string& keyword, int paramCount, int ordinal, TxTypes returnType,
                     int minParams) override {
        Functions.push_back({keyword, paramCount, ordinal, returnType, minParams});
    }
    void AddVariable(const std::string& varName, TxTypes varType, bool isConstant) override {
        Variables.push_back({varName, varType, isConstant});
        Values[varName] = 0;
    }
    void SetNVariable(const std::string& varName, double value) override {
        if (Values.count(varName) != 0) Values[varName] = value;
    }
    double GetNParam(int position) override {
        long double value = 0;
        return platform::ParseFloat(GetSParam(position), value) ? static_cast<double>(value) : 0;
    }
    std::string GetSParam(int position) override {
        return position >= 1 && static_cast<std::size_t>(position) <= Arguments.size() ? Arguments[position - 1] : "";
    }
    void UserNReturn(double value) override { NumberResult = value; }
    void UserSReturn(const std::string& value) override { TextResult = value; }
    void Terminate() override { ++Terminations; }
};
