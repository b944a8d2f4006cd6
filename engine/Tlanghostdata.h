// What a member of the host interface reports: done, declined (the call
// changed nothing and is no error) or refused with a message for the host.
#pragma once

#include <array>
#include <string>

namespace pevox {

struct HostResult {
    enum Status { Done, Declined, Refused };
    Status status = Done;
    std::string message;

    static HostResult Ok() { return {}; }
    static HostResult Decline() { return {Declined, std::string()}; }
    static HostResult Refuse(std::string text) { return {Refused, std::move(text)}; }
    bool Succeeded() const { return status == Done; }
};

// Up to five array dimensions or subscripts as a host passes them; -1 marks
// one that was left out.
using HostIndexes = std::array<int, 5>;

// The host-variable lines: "NAME |TYPE |VALUE |C" for a variable or constant,
// "NAME |KIND |SIZE ,SIZE ,SIZE ,SIZE ,SIZE" for an array.
std::string HostVariableLine(const std::string& name, int type, bool isConstant);
std::string HostArrayLine(const std::string& name, int arrayType, const HostIndexes& highestIndexes);

}  // namespace pevox
