// A type library served from tables compiled into a component: its
// interfaces (described by their dispatch tables), event interfaces,
// classes, enumerations and records, in the library's order.
#pragma once

#include "platform/ComDispatch.h"

namespace platform {

struct EnumValueDescription {
    std::u16string name;
    std::int32_t value;
    std::string help;
};

struct RecordFieldDescription {
    std::u16string name;
    VARTYPE vt;
    std::uint32_t offset;
};

// An interface a class implements: the library's index of it and IMPLTYPEFLAG_* flags.
struct ImplementedType {
    UINT typeIndex;
    std::int32_t flags;
};

struct TypeDescription {
    TYPEKIND kind = TKIND_INTERFACE;
    std::u16string name;
    GUID guid = GUID_NULL;
    WORD majorVersion = 0;
    WORD minorVersion = 0;
    WORD flags = 0;  // TYPEFLAG_*
    std::string help;
    const DispatchTable* members = nullptr;  // interfaces and event interfaces
    std::vector<EnumValueDescription> values;
    std::vector<RecordFieldDescription> fields;
    std::vector<ImplementedType> implemented;
};

struct TypeLibraryDescription {
    std::u16string name;
    std::string help;
    std::u16string helpFile;
    GUID guid = GUID_NULL;
    LCID lcid = 0;
    WORD majorVersion = 0;
    WORD minorVersion = 0;
    std::vector<TypeDescription> types;
};

// The library object over `description`, which must outlive every object
// handed out (in practice a static table). The caller owns the one reference.
ITypeLib* CreateTypeLibrary(const TypeLibraryDescription& description);

}  // namespace platform
