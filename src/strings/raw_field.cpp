#include "strings/raw_field.h"

#include <algorithm>
#include <utility>

namespace pv {

std::string DisplayForm(std::string_view raw) {
    std::string shown(raw);
    std::replace(shown.begin(), shown.end(), '\0', '\xFF');
    return shown;
}

std::string GlyphForm(std::string_view raw) {
    std::string out;
    out.reserve(raw.size() * 3);
    for (const char ch : raw) {
        const auto c = static_cast<unsigned char>(ch);
        unsigned point = c;
        if (c < 32)
            point = 0x2400 + c;
        else if (c == 127)
            point = 0x2421;
        if (point < 0x80) {
            out += static_cast<char>(point);
        } else if (point < 0x800) {
            out += static_cast<char>(0xC0 | (point >> 6));
            out += static_cast<char>(0x80 | (point & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (point >> 12));
            out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (point & 0x3F));
        }
    }
    return out;
}

void RawField::Load(std::string raw) {
    raw_ = std::move(raw);
    selStart_ = raw_.size();
    selLength_ = 0;
}

void RawField::Select(size_t start, size_t length) {
    selStart_ = std::min(start, raw_.size());
    selLength_ = std::min(length, raw_.size() - selStart_);
}

void RawField::Replace(std::string_view text) {
    raw_.replace(selStart_, selLength_, text);
    selStart_ += text.size();
    selLength_ = 0;
}

void RawField::Erase(size_t from, size_t count) {
    raw_.erase(from, count);
    selStart_ = from;
    selLength_ = 0;
}

bool RawField::KeyDown(int key, int modifiers) {
    const bool selection = selLength_ > 0;
    if (key == kRawDelete) {
        if (modifiers == kRawCtrl && !selection) {
            raw_.resize(selStart_);
        } else if (modifiers == kRawShift && selection) {
            scratch_ = raw_.substr(selStart_, selLength_);
            Erase(selStart_, selLength_);
            beep_ = true;
            return true;
        } else if (modifiers == kRawShift) {
            if (selStart_ == 0) return false;
            beep_ = true;
            Erase(selStart_ - 1, 1);
        } else if (selection) {
            Erase(selStart_, selLength_);
        } else if (selStart_ < raw_.size()) {
            Erase(selStart_, 1);
        }
        return false;
    }
    if (key == kRawBackspace && modifiers == kRawAlt) return true;
    if (key == kRawEnter) {
        Replace("\r\n");
        return true;
    }
    if (key == kRawInsert && modifiers == kRawCtrl) {
        scratch_ = raw_.substr(selStart_, selLength_);
        return true;
    }
    if (key == kRawInsert && modifiers == kRawShift) {
        Replace(scratch_);
        return true;
    }
    return false;
}

bool RawField::KeyPress(int code) {
    if (code == kRawBackspace) {
        if (selLength_ > 0)
            Erase(selStart_, selLength_);
        else if (selStart_ > 0)
            Erase(selStart_ - 1, 1);
        return true;
    }
    if (code < 32 || code > 255) return false;
    Replace(std::string(1, static_cast<char>(code)));
    return true;
}

void RawField::Insert(std::string_view picked) {
    if (!picked.empty()) Replace(picked);
}

bool RawField::TakeBeep() {
    return std::exchange(beep_, false);
}

} // namespace pv
