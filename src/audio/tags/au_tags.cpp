// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/tags/au_tags.h"

#include <algorithm>
#include <charconv>

#include "audio/tags/au_tag_text.h"

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool LessNoCase(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(LowerAscii(x)) <
               static_cast<unsigned char>(LowerAscii(y));
    });
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

// A decimal integer with an optional sign and nothing else.
bool ParseInteger(std::string_view text, std::int64_t& out) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return false;
        }
    }
    if (text.empty()) {
        return false;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string TAuTags::Names(int index) const {
    if (index < 0 || index >= Count()) {
        return {};
    }
    return m_items[static_cast<std::size_t>(index)].first;
}

const TAuTags::Item* TAuTags::Find(std::string_view name) const {
    const auto it = std::lower_bound(
        m_items.begin(), m_items.end(), name,
        [](const Item& item, std::string_view key) { return LessNoCase(item.first, key); });
    return (it != m_items.end() && EqualNoCase(it->first, name)) ? &*it : nullptr;
}

TAuTags::Item* TAuTags::Find(std::string_view name) {
    return const_cast<Item*>(std::as_const(*this).Find(name));
}

const TagValue& TAuTags::Stored(std::string_view name) const {
    static const TagValue kNone;
    const Item* item = Find(name);
    return item ? item->second : kNone;
}

TagValue TAuTags::Values(std::string_view name) const {
    return Stored(name);
}

void TAuTags::SetValue(std::string_view name, const TagValue& value) {
    Item* item = Find(name);
    if (!item || item->second == value) {
        return;
    }
    item->second = value;
    m_empty = false;
    m_changed = true;
}

std::int64_t TAuTags::AsInteger(std::string_view name) const {
    const TagValue& value = Stored(name);
    std::int64_t result = 0;
    if (const auto* number = std::get_if<std::int64_t>(&value)) {
        return *number;
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        return ParseInteger(*text, result) ? result : 0;
    }
    if (const auto* wide = std::get_if<std::u16string>(&value)) {
        return ParseInteger(Utf16ToUtf8(*wide), result) ? result : 0;
    }
    return 0;
}

std::string TAuTags::AsString(std::string_view name) const {
    const TagValue& value = Stored(name);
    if (const auto* number = std::get_if<std::int64_t>(&value)) {
        return std::to_string(*number);
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        return *text;
    }
    if (const auto* wide = std::get_if<std::u16string>(&value)) {
        return Utf16ToUtf8(*wide);
    }
    return {};
}

std::u16string TAuTags::AsWideString(std::string_view name) const {
    const TagValue& value = Stored(name);
    if (const auto* wide = std::get_if<std::u16string>(&value)) {
        return *wide;
    }
    return Utf8ToUtf16(AsString(name));
}

TagBytes TAuTags::AsBytes(std::string_view name) const {
    const auto* bytes = std::get_if<TagBytes>(&Stored(name));
    return bytes ? *bytes : TagBytes{};
}

bool TAuTags::AddTag(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    const auto it = std::lower_bound(
        m_items.begin(), m_items.end(), name,
        [](const Item& item, std::string_view key) { return LessNoCase(item.first, key); });
    if (it == m_items.end() || !EqualNoCase(it->first, name)) {
        m_items.insert(it, Item{std::string(name), TagValue{}});
    }
    return true;
}

void TAuTags::AddTags(std::initializer_list<std::string_view> names) {
    for (const std::string_view name : names) {
        AddTag(name);
    }
}

void TAuTags::Clear() {
    for (Item& item : m_items) {
        item.second = TagValue{};
    }
    m_empty = true;
    m_changed = true;
}

void TAuTags::Assign(const TAuTags& source) {
    if (&source == this) {
        return;
    }
    Clear();
    for (const Item& item : source.m_items) {
        SetValue(item.first, item.second);
    }
}

bool TAuTags::TagPresent(int fd) {
    return fd != -1;
}

bool TAuTags::ReadFromFile(int fd) {
    if (fd == -1) {
        return false;
    }
    Clear();
    return true;
}

bool TAuTags::WriteToFile(int fd, bool /*unicode*/) {
    return fd != -1;
}
