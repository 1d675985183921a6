// see rsa.h
#include "frame.h"
#include "rsa.h"

namespace {
constexpr uint32_t kIndexE = 1;     // e's place among the inputs below
constexpr uint32_t kIndexN = 2;
}  // namespace

bool ArePrivateKeyArgsValid(const PrivateKeyArgs& args, bool hasE) {
    const OctetString* inputs[] = {args.d, args.e, args.n, args.p, args.q,
                                   args.dP, args.dQ, args.qInv, args.input};
    constexpr uint32_t count = sizeof inputs / sizeof inputs[0];

    // Every record and its data, in argument order (e second when given);
    //    the output record too, whose entry length is never looked at.
    for (uint32_t i = 0; i < count; ++i)
        if ((i != kIndexE || hasE) && !HasData(inputs[i])) return false;
    if (!HasData(args.output)) return false;

    // The modulus length, leading zero octets included, then every other
    //    input against it: each must fit a working integer of w + 1 words.
    const uint32_t L = args.n->length;
    if (!IsModulusLengthValid(L)) return false;
    for (uint32_t i = 0; i < count; ++i)
        if (i != kIndexN && (i != kIndexE || hasE) && inputs[i]->length > L) return false;

    // Values that would make a reduction divide by zero. A zero value does
    //    not shorten a record: n still counts w words for the blinding factor.
    return !IsZeroValue(args.n) && !IsZeroValue(args.p) && !IsZeroValue(args.q);
}
