// Pictures for the markup engine: a picture, an image list, the named pictures of a picture
// container, the cache of pictures loaded from addresses, and the platform's picture loader.
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zo {

class IPicture {
public:
    virtual ~IPicture() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
};
using TPicturePtr = std::shared_ptr<const IPicture>;

class IImageList;

// Tells its owner of every change of the image list it is attached to. A list and its links
// detach each other when either is destroyed, so neither is left pointing at a gone object.
class TChangeLink {
public:
    TChangeLink() = default;
    ~TChangeLink() { Attach(nullptr); }
    TChangeLink(const TChangeLink&) = delete;
    TChangeLink& operator=(const TChangeLink&) = delete;
    // Attaches the link to list (detaching it from the previous one); null detaches it.
    void Attach(const IImageList* list);
    const IImageList* Sender() const { return FSender; }
    std::function<void()> OnChange;

private:
    friend class IImageList;
    const IImageList* FSender = nullptr;
};

// Pictures of equal size addressed by index.
class IImageList {
public:
    virtual ~IImageList() {
        for (TChangeLink* link : FLinks) link->FSender = nullptr;
    }
    virtual int Count() const = 0;
    virtual TPicturePtr Item(int index) const = 0;

protected:
    IImageList() = default;
    IImageList(const IImageList&) {}  // a copy starts without links
    IImageList& operator=(const IImageList&) { return *this; }
    // The pictures changed: every attached link is told.
    void Changed() const {
        const std::vector<TChangeLink*> links = FLinks;  // a link may detach while told
        for (TChangeLink* link : links)
            if (link->OnChange) link->OnChange();
    }

private:
    friend class TChangeLink;
    mutable std::vector<TChangeLink*> FLinks;
};

inline void TChangeLink::Attach(const IImageList* list) {
    if (list == FSender) return;
    if (FSender) std::erase(FSender->FLinks, this);
    FSender = list;
    if (FSender) FSender->FLinks.push_back(this);
}

// Loading pictures: from an address ("file://...", "http://..."), and the shell's icon of a file
// or folder. Each returns null when the picture cannot be had.
class IPictureLoader {
public:
    virtual ~IPictureLoader() = default;
    virtual TPicturePtr LoadFromAddress(const std::u16string& address) = 0;
    virtual TPicturePtr ShellIcon(const std::u16string& path, bool large) = 0;
};

// Named pictures; names compare case-insensitively.
class TPictureContainer {
public:
    void Add(std::u16string_view name, TPicturePtr picture) { FItems[Key(name)] = std::move(picture); }
    TPicturePtr Find(std::u16string_view name) const {
        auto it = FItems.find(Key(name));
        return it == FItems.end() ? nullptr : it->second;
    }

private:
    static std::u16string Key(std::u16string_view name) {
        std::u16string k(name);
        for (auto& c : k)
            if (c >= u'a' && c <= u'z') c = char16_t(c - 32);
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
