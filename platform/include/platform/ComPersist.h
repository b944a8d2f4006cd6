// Streams and storages, and the persistence interfaces of objects that save
// themselves into them. A memory stream and a memory storage stand in for
// the containers' own.
#pragma once

#include "platform/ComBase.h"

#include <vector>

namespace platform {

struct ISequentialStream : IUnknown {
    // Reads up to `size` bytes; fewer (S_OK) at the end of the stream.
    virtual HRESULT Read(void* buffer, ULONG size, ULONG* read) = 0;
    virtual HRESULT Write(const void* buffer, ULONG size, ULONG* written) = 0;
};

inline constexpr DWORD STREAM_SEEK_SET = 0;
inline constexpr DWORD STREAM_SEEK_CUR = 1;
inline constexpr DWORD STREAM_SEEK_END = 2;

struct STATSTG {
    std::uint64_t cbSize;
};

struct IStream : ISequentialStream {
    virtual HRESULT Seek(std::int64_t move, DWORD origin, std::uint64_t* newPosition) = 0;
    virtual HRESULT SetSize(std::uint64_t size) = 0;
    virtual HRESULT Commit(DWORD flags) = 0;
    virtual HRESULT Stat(STATSTG* stat, DWORD flags) = 0;
};

// Named streams inside one store (no nested storages here).
struct IStorage : IUnknown {
    // A new empty stream; STG_E_FILEALREADYEXISTS when the name is taken.
    virtual HRESULT CreateStream(const OLECHAR* name, IStream** stream) = 0;
    // The stream of that name, positioned at its start; STG_E_FILENOTFOUND when absent.
    virtual HRESULT OpenStream(const OLECHAR* name, IStream** stream) = 0;
    virtual HRESULT Commit(DWORD flags) = 0;
};

struct IPersist : IUnknown {
    virtual HRESULT GetClassID(CLSID* clsid) = 0;
};

struct IPersistStreamInit : IPersist {
    virtual HRESULT IsDirty() = 0;  // S_OK when dirty, S_FALSE when not
    virtual HRESULT Load(IStream* stream) = 0;
    virtual HRESULT Save(IStream* stream, BOOL clearDirty) = 0;
    virtual HRESULT GetSizeMax(std::uint64_t* size) = 0;
    virtual HRESULT InitNew() = 0;
};

struct IPersistStorage : IPersist {
    virtual HRESULT IsDirty() = 0;
    virtual HRESULT InitNew(IStorage* storage) = 0;
    virtual HRESULT Load(IStorage* storage) = 0;
    virtual HRESULT Save(IStorage* storage, BOOL sameAsLoad) = 0;
    virtual HRESULT SaveCompleted(IStorage* storage) = 0;
    virtual HRESULT HandsOffStorage() = 0;
};

inline constexpr IID IID_ISequentialStream{0x0C733A30, 0x2A1C, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};
inline constexpr IID IID_IStream{0x0000000C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IStorage{0x0000000B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IPersist{0x0000010C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IPersistStorage{0x0000010A, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IPersistStreamInit{0x7FD52380, 0x4E07, 0x101B, {0xAE, 0x2D, 0x08, 0x00, 0x2B, 0x2E, 0xC7, 0x13}};
inline constexpr IID IID_IPersistPropertyBag{0x37D84F60, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};

// A growable stream in memory, positioned at its start, holding `bytes`.
// The caller owns the one reference.
IStream* CreateMemoryStream(std::vector<std::uint8_t> bytes = {});
// Every byte of a stream, whatever its position (which is left unchanged).
HRESULT ReadWholeStream(IStream* stream, std::vector<std::uint8_t>& bytes);
// An empty storage in memory. The caller owns the one reference.
IStorage* CreateMemoryStorage();

}  // namespace platform
