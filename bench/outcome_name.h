#pragma once

// The outcome of a generation run as the option benchmarks print it.

#include "worksheet/question_generator.h"

inline const char* OutcomeName(GenerationOutcome outcome) {
    switch (outcome) {
        case GenerationOutcome::Complete:
            return "sheet";
        case GenerationOutcome::Refused:
            return "refused";
        case GenerationOutcome::TooStrict:
            return "too-strict";
        case GenerationOutcome::Cancelled:
            return "cancelled";
    }
    return "?";
}
