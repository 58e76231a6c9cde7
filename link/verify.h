#pragma once

#include "core/compare.h"
#include "link/session.h"
#include "link/upload.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cvcfg {

// How a read-back of a unit against the configuration it should hold ended.
enum class VerifyOutcome {
    Holds,        // the unit holds every field the variant carries
    Differs,      // the unit is of the variant and holds other values
    OtherVariant, // the unit answers as another variant or product
    NotRead,      // the unit's configuration could not be read
};

struct Verification {
    VerifyOutcome outcome = VerifyOutcome::NotRead;
    UploadOutcome upload = UploadOutcome::NotContacted;
    std::vector<Difference> differences; // expected -> unit, when Differs
    std::string otherVariant;            // what the unit answers as, when OtherVariant
    std::optional<UnitIdentity> unit;    // what it said it is, once its first reply came
};

// The catalogue variants whose units answer with that identity; two of one
// identity cannot be told apart by a read-back.
[[nodiscard]] std::vector<std::string_view> variantsAnsweringAs(const UnitIdentity& unit);

// The sentence that tells what the unit answered as instead of the
// expected variant: the catalogue variants of that identity where there are
// any, else the identity itself.
[[nodiscard]] std::string otherVariantText(const UnitIdentity& unit, const ConfigRecord& expected);

// Whether the unit's identity is the expected record's.
[[nodiscard]] bool answersAs(const UnitIdentity& unit, const ConfigRecord& expected);

// Reads the unit's configuration through the expected record's port and
// compares it with that record. The unit's side is built only from what the
// unit sends; a unit of another identity stops the read-back after its first
// reply, and none of its fields is compared.
Verification VerifyUnit(SerialLayer& serial, Operator& op, const ConfigRecord& expected);

} // namespace cvcfg
