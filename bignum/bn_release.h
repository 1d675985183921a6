// bn_release.h: releases a call's working BigNums on every path.
#ifndef KXRSA_BIGNUM_BN_RELEASE_H
#define KXRSA_BIGNUM_BN_RELEASE_H

#include "bignum.h"

// Give each record a null word pointer before the first allocation, then name
// it here: the destructor clears and frees exactly those that were allocated.
struct BnRelease {
    static constexpr uint32_t kMax = 20;
    template <typename... Nums>
    explicit BnRelease(Nums... list) : nums{list...}, n(sizeof...(Nums)) {
        static_assert(sizeof...(Nums) <= kMax, "BnRelease holds at most kMax records");
    }
    ~BnRelease() {
        for (uint32_t i = 0; i < n; ++i)
            if (nums[i]->words != nullptr) BnFree(nums[i]);
    }
    BnRelease(const BnRelease&) = delete;
    BnRelease& operator=(const BnRelease&) = delete;

    BigNum* nums[kMax] = {};
    uint32_t n = 0;
};

#endif  // KXRSA_BIGNUM_BN_RELEASE_H
