#include "records.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pv::sim {

bool ParseProfile(const std::string& name, Profile& out) {
    if (name == "balance")
        out = Profile::Balance;
    else if (name == "scanner")
        out = Profile::Scanner;
    else if (name == "meter")
        out = Profile::Meter;
    else
        return false;
    return true;
}

char Ean13CheckDigit(const std::string& twelveDigits) {
    int sum = 0;
    for (size_t i = 0; i < 12 && i < twelveDigits.size(); ++i)
        sum += (twelveDigits[i] - '0') * (i % 2 ? 3 : 1);
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

RecordSource::RecordSource(Profile profile, uint32_t seed) : profile_(profile), random_(seed) {}

std::string RecordSource::Next() {
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    char text[64];
    switch (profile_) {
    case Profile::Balance: {
        // Mostly settled, now and then something is added or taken off.
        if (std::uniform_int_distribution<int>(0, 9)(random_) == 0) drift_ = unit(random_) * 0.5;
        double step = drift_ + unit(random_) * 0.0005;
        drift_ *= 0.5;
        weight_ = std::clamp(weight_ + step, -999.999, 9999.999);
        bool stable = std::fabs(step) < 0.002;
        std::snprintf(text, sizeof text, "%s,GS,%+09.3f g\r\n", stable ? "ST" : "US", weight_);
        return text;
    }
    case Profile::Scanner: {
        std::string code = "40";
        std::uniform_int_distribution<int> digit(0, 9);
        while (code.size() < 12)
            code += static_cast<char>('0' + digit(random_));
        code += Ean13CheckDigit(code);
        return code + "\r";
    }
    case Profile::Meter: {
        double& r = reading_[channel_];
        r = std::clamp(r + unit(random_) * 0.05, 0.0, 9999.99);
        std::snprintf(text, sizeof text, "M%02d  %07.2fV\r\n", channel_ + 1, r);
        channel_ = (channel_ + 1) % 3;
        return text;
    }
    }
    return {};
}

} // namespace pv::sim
