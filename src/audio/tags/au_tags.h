// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

// Binary data, such as a picture.
using TagBytes = std::vector<std::uint8_t>;

// One tag value: empty, an integer, 8-bit text (UTF-8 in memory), UTF-16
// text or bytes.
using TagValue = std::variant<std::monostate, std::int64_t, std::string, std::u16string, TagBytes>;

// The generic tag container: a table of names, sorted and compared without
// regard to ASCII letter case, each owning one value. Subclasses define their
// names at construction and add typed properties; only defined names can hold
// values. Not thread-safe: a container belongs to the component that owns it
// and is used on one thread at a time.
class TAuTags {
public:
    TAuTags() = default;
    virtual ~TAuTags() = default;
    TAuTags(const TAuTags&) = delete;
    TAuTags& operator=(const TAuTags&) = delete;

    [[nodiscard]] int Count() const { return static_cast<int>(m_items.size()); }
    // The name at a position in sorted order; empty when out of range.
    [[nodiscard]] std::string Names(int index) const;
    // The value of a name; empty when the name is not defined.
    [[nodiscard]] TagValue Values(std::string_view name) const;

    // Stores a value for a defined name when it differs from the stored one
    // (then Empty() becomes false and Changed() true); other names are ignored.
    void SetValue(std::string_view name, const TagValue& value);
    // Integers as they are, text when it is a valid decimal integer, else 0
    // (bytes included).
    [[nodiscard]] std::int64_t AsInteger(std::string_view name) const;
    // Integers in decimal, text converted to the requested width, else
    // empty (bytes included).
    [[nodiscard]] std::string AsString(std::string_view name) const;
    [[nodiscard]] std::u16string AsWideString(std::string_view name) const;
    // Bytes as they are, else empty.
    [[nodiscard]] TagBytes AsBytes(std::string_view name) const;

    // Defines a name with an empty value unless it is empty or defined
    // already; returns whether the name was non-empty.
    bool AddTag(std::string_view name);
    // Empties every value; Empty() and Changed() become true.
    void Clear();
    // Clear, then copy the values of every name of the source that this
    // container defines too (other names are dropped).
    virtual void Assign(const TAuTags& source);
    void AssignTo(TAuTags& dest) const { dest.Assign(*this); }

    [[nodiscard]] bool Empty() const { return m_empty; }
    [[nodiscard]] bool Changed() const { return m_changed; }
    void SetChanged(bool changed) { m_changed = changed; }

    // File operations on an open file descriptor (-1 is invalid). The base
    // only answers whether the descriptor is valid; ReadFromFile also clears
    // the container for a valid descriptor. Subclasses with a file layout
    // override them. `unicode` chooses UTF-16 text where the layout has it.
    [[nodiscard]] virtual bool TagPresent(int fd);
    [[nodiscard]] virtual bool ReadFromFile(int fd);
    [[nodiscard]] virtual bool WriteToFile(int fd, bool unicode);

protected:
    // Defines each name of a subclass, in any order.
    void AddTags(std::initializer_list<std::string_view> names);

private:
    using Item = std::pair<std::string, TagValue>;
    [[nodiscard]] const Item* Find(std::string_view name) const;
    [[nodiscard]] Item* Find(std::string_view name);
    // The stored value without a copy (pictures are large); empty when the
    // name is not defined.
    [[nodiscard]] const TagValue& Stored(std::string_view name) const;

    std::vector<Item> m_items;  // sorted by case-insensitive name
    bool m_empty = true;
    bool m_changed = false;
};
