// The multiply-accumulate row with mulx, adcx and adox (BMI2 and ADX), for
// processors that have them: mulx leaves the flags alone, so the carry of the
// low halves (CF, adcx) and the carry of the sums into r (OF, adox) run as two
// independent chains through the whole row. Chosen at run time (HasAdx); the
// library is built for the baseline x86-64 and never runs these instructions
// elsewhere.
#include "bn_kernels.h"

#if defined(__x86_64__) && !defined(KX_BN_PORTABLE_KERNELS)

#include <cpuid.h>

namespace bn {

bool HasAdx() {
#ifdef KX_BN_NO_ADX
    return false;
#else
    // CPUID leaf 7, sub-leaf 0: EBX bit 8 is BMI2 (mulx), bit 19 ADX (adcx,
    // adox). Asked directly, as every compiler's builtin does not know ADX.
    static const bool has = [] {
        unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
        if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) == 0) return false;
        return (ebx & (1u << 8)) != 0 && (ebx & (1u << 19)) != 0;
    }();
    return has;
#endif
}

namespace {
// One limb: hi:lo = m·x (x from b, complemented when NOT), lo += previous hi
// + CF, lo += r + OF, r = lo; the new hi is kept for the next limb. Only mov,
// lea and not (which leave the flags alone) come between the carrying adds.
#define KX_ADX_LIMB(NOT, OFFSET)                     \
    "mov " OFFSET "(%[b]), %%r8\n\t" NOT             \
    "mulx %%r8, %%r9, %%r10\n\t"                     \
    "adcx %[hi], %%r9\n\t"                           \
    "adox " OFFSET "(%[r]), %%r9\n\t"                \
    "mov %%r9, " OFFSET "(%[r])\n\t"                 \
    "mov %%r10, %[hi]\n\t"

// The whole row: groups of four limbs (count in rcx), then the rest one by
// one; the carry out is hi plus both flags. test clears CF and OF; jrcxz and
// lea keep them, so the loops branch without touching either chain.
#define KX_ADX_ROW(NOT)                                                                          \
    "test %%rcx, %%rcx\n\t"                                                                      \
    "jz 2f\n\t"                                                                                  \
    "1:\n\t" KX_ADX_LIMB(NOT, "0") KX_ADX_LIMB(NOT, "8") KX_ADX_LIMB(NOT, "16") KX_ADX_LIMB(NOT, "24") \
    "lea 32(%[b]), %[b]\n\t"                                                                     \
    "lea 32(%[r]), %[r]\n\t"                                                                     \
    "lea -1(%%rcx), %%rcx\n\t"                                                                   \
    "jrcxz 2f\n\t"                                                                               \
    "jmp 1b\n\t"                                                                                 \
    "2:\n\t"                                                                                     \
    "mov %[rest], %%rcx\n\t"                                                                     \
    "jrcxz 4f\n\t"                                                                               \
    "3:\n\t" KX_ADX_LIMB(NOT, "0")                                                                \
    "lea 8(%[b]), %[b]\n\t"                                                                      \
    "lea 8(%[r]), %[r]\n\t"                                                                      \
    "lea -1(%%rcx), %%rcx\n\t"                                                                   \
    "jrcxz 4f\n\t"                                                                               \
    "jmp 3b\n\t"                                                                                 \
    "4:\n\t"                                                                                     \
    "mov $0, %%r8d\n\t" /* a zero that leaves the flags alone */                                 \
    "adcx %%r8, %[hi]\n\t"                                                                       \
    "adox %%r8, %[hi]\n\t"

// r[0..2·limbs) += m·x[0..limbs) + carry over 64-bit limbs (x = b or ~b);
// returns the carry out, which is below 2^64 for any carry <= m + 1.
template <bool Complement>
__attribute__((target("bmi2,adx"))) uint64_t RowAdx(uint32_t* r, const uint32_t* b, uint32_t limbs,
                                                    uint64_t m, uint64_t carry) {
    uint64_t groups = limbs / 4, rest = limbs % 4;
    // Every operand is read-write, so no two share a register even when their
    // values are equal (carry is m for the subtraction).
    uint64_t hi = carry;
    if (Complement) {
        __asm__ volatile(KX_ADX_ROW("not %%r8\n\t")
                         : [r] "+r"(r), [b] "+r"(b), [hi] "+r"(hi), "+c"(groups), "+d"(m), [rest] "+r"(rest)
                         :
                         : "r8", "r9", "r10", "cc", "memory");
    } else {
        __asm__ volatile(KX_ADX_ROW("")
                         : [r] "+r"(r), [b] "+r"(b), [hi] "+r"(hi), "+c"(groups), "+d"(m), [rest] "+r"(rest)
                         :
                         : "r8", "r9", "r10", "cc", "memory");
    }
    return hi;
}
#undef KX_ADX_ROW
#undef KX_ADX_LIMB
}  // namespace

uint64_t MulAddRowAdx(uint32_t* r, const uint32_t* b, uint32_t n, uint64_t m) {
    uint64_t carry = RowAdx<false>(r, b, n / 2, m, 0);
    if (n % 2 != 0) {
        u128 t = static_cast<u128>(m) * b[n - 1] + r[n - 1] + carry;
        r[n - 1] = static_cast<uint32_t>(t);
        carry = static_cast<uint64_t>(t >> 32);
    }
    return carry;
}

uint64_t MulSubRowAdx(uint32_t* r, const uint32_t* b, uint32_t n, uint64_t q) {
    // r - q·b = r + q·~b + q - q·2^(32n), as in the portable row.
    uint64_t carry = RowAdx<true>(r, b, n / 2, q, q);
    if (n % 2 != 0) {
        u128 t = static_cast<u128>(q) * static_cast<uint32_t>(~b[n - 1]) + r[n - 1] + carry;
        r[n - 1] = static_cast<uint32_t>(t);
        carry = static_cast<uint64_t>(t >> 32);
    }
    return q - carry;
}

}  // namespace bn

#endif
