// Registry keys and string values, addressed by root key and key path.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zo {

class IRegistry {
public:
    virtual ~IRegistry() = default;

    // `root` is a predefined root key (0x80000000 HKEY_CLASSES_ROOT to 0x80000006 HKEY_DYN_DATA);
    // `path` has no leading separator; `access` is the access mask asked for. Functions that
    // return uint32_t give 0 or the platform's error code.

    // Opens the key, creating it (and its parents) when missing.
    virtual uint32_t CreateKey(uint32_t root, const std::u16string& path, uint32_t access) = 0;
    virtual bool KeyExists(uint32_t root, const std::u16string& path, uint32_t access) = 0;
    // Reads a value as text (numbers as decimal text); false when the key or value is missing.
    virtual bool ReadString(uint32_t root, const std::u16string& path, const std::u16string& name,
                            uint32_t access, std::u16string& value) = 0;
    // Writes a string value, creating the key when missing.
    virtual uint32_t WriteString(uint32_t root, const std::u16string& path, const std::u16string& name,
                                 uint32_t access, const std::u16string& value) = 0;
    virtual std::vector<std::u16string> SubKeyNames(uint32_t root, const std::u16string& path,
                                                    uint32_t access) = 0;
    virtual std::vector<std::u16string> ValueNames(uint32_t root, const std::u16string& path,
                                                   uint32_t access) = 0;
    // Deletes the key with all its sub-keys.
    virtual uint32_t DeleteKey(uint32_t root, const std::u16string& path, uint32_t access) = 0;
    virtual uint32_t DeleteValue(uint32_t root, const std::u16string& path, const std::u16string& name,
                                 uint32_t access) = 0;
};

}  // namespace zo
