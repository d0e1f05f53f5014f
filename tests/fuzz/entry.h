// The libFuzzer entry of a target: the core's test bed made once, then one case per input; a
// fault the core reports is a finding (printed, then abort so libFuzzer keeps the input).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#define SPLICER_FUZZ_ENTRY(ns)                                                                               \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)                                  \
    {                                                                                                        \
        static ns::Bed* bed = new ns::Bed;                                                                   \
        const std::string fault = ns::run(*bed, data, size);                                                 \
        if (!fault.empty()) {                                                                                \
            std::fprintf(stderr, "fault: %s\n", fault.c_str());                                              \
            std::abort();                                                                                    \
        }                                                                                                    \
        return 0;                                                                                            \
    }
