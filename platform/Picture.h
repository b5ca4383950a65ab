// Pictures for the markup engine: a picture, an image list, the named pictures of a picture
// container, the cache of pictures loaded from addresses, and the platform's picture loader.
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Text.h"

namespace zo {

class IPicture {
public:
    virtual ~IPicture() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
};
using TPicturePtr = std::shared_ptr<const IPicture>;

class TLinkSource;

// Tells its owner of every change of the source it is attached to (an image list, a picture
// container). A source and its links detach each other when either is destroyed, so neither is
// left pointing at a gone object; a link whose source goes is told as of a change.
class TSourceLink {
public:
    TSourceLink() = default;
    ~TSourceLink() { Attach(nullptr); }
    TSourceLink(const TSourceLink&) = delete;
    TSourceLink& operator=(const TSourceLink&) = delete;
    // Attaches the link to source (detaching it from the previous one); null detaches it.
    void Attach(const TLinkSource* source);
    const TLinkSource* Source() const { return FSource; }
    std::function<void()> OnChange;

private:
    friend class TLinkSource;
    const TLinkSource* FSource = nullptr;
};

class TLinkSource {
public:
    virtual ~TLinkSource() {
        const std::vector<TSourceLink*> links = FLinks;
        for (TSourceLink* link : links) {
            link->FSource = nullptr;
            if (link->OnChange) link->OnChange();
        }
    }

protected:
    TLinkSource() = default;
    TLinkSource(const TLinkSource&) {}  // a copy starts without links
    TLinkSource& operator=(const TLinkSource&) { return *this; }
    // The source changed: every attached link is told.
    void Changed() const {
        const std::vector<TSourceLink*> links = FLinks;  // a link may detach while told
        for (TSourceLink* link : links)
            if (link->OnChange) link->OnChange();
    }

private:
    friend class TSourceLink;
    mutable std::vector<TSourceLink*> FLinks;
};

inline void TSourceLink::Attach(const TLinkSource* source) {
    if (source == FSource) return;
    if (FSource) std::erase(FSource->FLinks, this);
    FSource = source;
    if (FSource) FSource->FLinks.push_back(this);
}

// A link to a source of type T.
template <class T>
class TLinkTo : public TSourceLink {
public:
    void Attach(const T* source) { TSourceLink::Attach(source); }
    const T* Sender() const { return static_cast<const T*>(Source()); }
};

// Pictures of equal size addressed by index.
class IImageList : public TLinkSource {
public:
    virtual int Count() const = 0;
    virtual TPicturePtr Item(int index) const = 0;
};
using TChangeLink = TLinkTo<IImageList>;

// Loading pictures: from an address ("file://...", "http://..."), and the shell's icon of a file
// or folder. Each returns null when the picture cannot be had.
class IPictureLoader {
public:
    virtual ~IPictureLoader() = default;
    virtual TPicturePtr LoadFromAddress(const std::u16string& address) = 0;
    virtual TPicturePtr ShellIcon(const std::u16string& path, bool large) = 0;
};

// Named pictures; names compare case-insensitively.
class TPictureContainer : public TLinkSource {
public:
    void Add(std::u16string_view name, TPicturePtr picture) {
        FItems[Key(name)] = std::move(picture);
        Changed();
    }
    TPicturePtr Find(std::u16string_view name) const {
        auto it = FItems.find(Key(name));
        return it == FItems.end() ? nullptr : it->second;
    }

private:
    static std::u16string Key(std::u16string_view name) {
        std::u16string k(name);
        for (auto& c : k) c = AsciiUpper(c);
        return k;
    }
    std::map<std::u16string, TPicturePtr> FItems;
};

// Pictures loaded from addresses, each loaded once; a failed load is remembered as null.
class TPictureCache {
public:
    bool Contains(const std::u16string& address) const { return FItems.count(address) != 0; }
    TPicturePtr Find(const std::u16string& address) const {
        auto it = FItems.find(address);
        return it == FItems.end() ? nullptr : it->second;
    }
    void Add(const std::u16string& address, TPicturePtr picture) { FItems[address] = std::move(picture); }
    void Clear() { FItems.clear(); }
    size_t Count() const { return FItems.size(); }

private:
    std::map<std::u16string, TPicturePtr> FItems;
};

}  // namespace zo
