// Registration and removal of fingerprints: a template's accepted triangles
// go into the triangle index and the template into the store, or nothing
// does; removal takes both out again.
#pragma once

#include <cstdint>

#include "fingerprint/Huellix.h"
#include "fingerprint/fingerprint_id.h"
#include "fingerprint/template_decoder.h"

namespace huellix {

// 0; 103 for the reserved id (user 16777215 or -1, finger 15, sample 15);
// 203 for an id already registered (before the count is looked at); 201
// when the registered count is at the maximum; 103 when the template does not
// decode; 101 when memory runs out (nothing filed).
int AddFingerprint(const std::uint8_t* templ, const FingerprintId& id);
// 0, or 202 when the id is not registered.
int DeleteFingerprint(const FingerprintId& id);

// The triangle loops of registration and removal. Index files every accepted
// triangle or, when memory runs out, none (101).
int IndexTemplateTriplets(FingerprintKey key, const DecodedTemplate& decoded);
void RemoveTemplateTriplets(FingerprintKey key, const DecodedTemplate& decoded);

}  // namespace huellix
