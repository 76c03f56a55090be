#pragma once
// The records the simulated instruments send.
#include <cstdint>
#include <random>
#include <string>

namespace pv::sim {

enum class Profile { Balance, Scanner, Meter };

/// "balance", "scanner" or "meter"; false for anything else.
bool ParseProfile(const std::string& name, Profile& out);

/// The EAN-13 check digit of twelve digits.
char Ean13CheckDigit(const std::string& twelveDigits);

/// Produces one record after another; the same seed gives the same records.
class RecordSource {
  public:
    RecordSource(Profile profile, uint32_t seed);
    /// Balance: "ST,GS,+0012.345 g" CR LF ("US" while the weight moves).
    /// Scanner: an EAN-13 code, CR.
    /// Meter: 13 fixed columns, "M01  0012.34V", then CR LF: channel
    /// "M01".."M03" (1-3), two blanks (4-5), reading 0000.00-9999.99 (6-12),
    /// unit "V" (13).
    std::string Next();

  private:
    Profile profile_;
    std::mt19937 random_;
    double weight_ = 12.345;
    double drift_ = 0.0;
    int channel_ = 0;
    double reading_[3] = {12.34, 230.5, 4.75};
};

} // namespace pv::sim
