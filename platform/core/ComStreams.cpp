#include "platform/ComPersist.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <string>

namespace platform {

namespace {

class MemoryStream final
    : public ComObject<MemoryStream, ComInterface<IStream, IID_ISequentialStream, IID_IStream>> {
public:
    explicit MemoryStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    HRESULT Read(void* buffer, ULONG size, ULONG* read) override {
        if (!buffer && size) return STG_E_INVALIDPOINTER;
        const std::uint64_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
        const auto count = static_cast<ULONG>(std::min<std::uint64_t>(size, available));
        if (count) std::memcpy(buffer, bytes_.data() + position_, count);
        position_ += count;
        if (read) *read = count;
        return S_OK;
    }

    HRESULT Write(const void* buffer, ULONG size, ULONG* written) override {
        if (!buffer && size) return STG_E_INVALIDPOINTER;
        if (position_ + size > bytes_.max_size()) return STG_E_WRITEFAULT;
        const std::size_t end = static_cast<std::size_t>(position_) + size;
        if (end > bytes_.size()) bytes_.resize(end);
        if (size) std::memcpy(bytes_.data() + position_, buffer, size);
        position_ = end;
        if (written) *written = size;
        return S_OK;
    }

    HRESULT Seek(std::int64_t move, DWORD origin, std::uint64_t* newPosition) override {
        std::int64_t base = 0;
        switch (origin) {
        case STREAM_SEEK_SET: base = 0; break;
        case STREAM_SEEK_CUR: base = static_cast<std::int64_t>(position_); break;
        case STREAM_SEEK_END: base = static_cast<std::int64_t>(bytes_.size()); break;
        default: return STG_E_INVALIDFUNCTION;
        }
        if ((move < 0 && base < -move) || (move > 0 && base > std::numeric_limits<std::int64_t>::max() - move))
            return STG_E_INVALIDFUNCTION;
        position_ = static_cast<std::uint64_t>(base + move);
        if (newPosition) *newPosition = position_;
        return S_OK;
    }

    HRESULT SetSize(std::uint64_t size) override {
        if (size > bytes_.max_size()) return STG_E_WRITEFAULT;
        bytes_.resize(static_cast<std::size_t>(size));
        return S_OK;
    }

    HRESULT Commit(DWORD) override { return S_OK; }

    HRESULT Stat(STATSTG* stat, DWORD) override {
        if (!stat) return STG_E_INVALIDPOINTER;
        stat->cbSize = bytes_.size();
        return S_OK;
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::uint64_t position_ = 0;
};

class MemoryStorage final : public ComObject<MemoryStorage, ComInterface<IStorage, IID_IStorage>> {
public:
    ~MemoryStorage() {
        for (auto& [name, stream] : streams_) stream->Release();
    }

    HRESULT CreateStream(const OLECHAR* name, IStream** stream) override {
        if (!name || !stream) return STG_E_INVALIDPOINTER;
        *stream = nullptr;
        auto [entry, added] = streams_.try_emplace(name, nullptr);
        if (!added) return STG_E_FILEALREADYEXISTS;
        entry->second = CreateMemoryStream();
        return Hand(entry->second, stream);
    }

    HRESULT OpenStream(const OLECHAR* name, IStream** stream) override {
        if (!name || !stream) return STG_E_INVALIDPOINTER;
        *stream = nullptr;
        const auto entry = streams_.find(name);
        if (entry == streams_.end()) return STG_E_FILENOTFOUND;
        entry->second->Seek(0, STREAM_SEEK_SET, nullptr);
        return Hand(entry->second, stream);
    }

    HRESULT Commit(DWORD) override { return S_OK; }

private:
    static HRESULT Hand(IStream* kept, IStream** stream) {
        kept->AddRef();
        *stream = kept;
        return S_OK;
    }

    std::map<std::u16string, IStream*> streams_;
};

}  // namespace

IStream* CreateMemoryStream(std::vector<std::uint8_t> bytes) { return new MemoryStream(std::move(bytes)); }

HRESULT ReadWholeStream(IStream* stream, std::vector<std::uint8_t>& bytes) {
    if (!stream) return E_POINTER;
    std::uint64_t position = 0;
    STATSTG stat{};
    if (HRESULT hr = stream->Seek(0, STREAM_SEEK_CUR, &position); FAILED(hr)) return hr;
    if (HRESULT hr = stream->Stat(&stat, 0); FAILED(hr)) return hr;
    if (stat.cbSize > std::numeric_limits<ULONG>::max()) return E_OUTOFMEMORY;
    bytes.assign(static_cast<std::size_t>(stat.cbSize), 0);
    ULONG read = 0;
    HRESULT hr = stream->Seek(0, STREAM_SEEK_SET, nullptr);
    if (SUCCEEDED(hr)) hr = stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    bytes.resize(read);
    stream->Seek(static_cast<std::int64_t>(position), STREAM_SEEK_SET, nullptr);
    return FAILED(hr) ? hr : S_OK;
}

IStorage* CreateMemoryStorage() { return new MemoryStorage; }

}  // namespace platform
