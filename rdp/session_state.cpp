#include "rdp/session_state.h"

const char* SessionModeName(SessionMode mode) {
    switch (mode) {
        case SessionMode::ActiveX:
            return "activex";
        case SessionMode::Mstsc:
            return "mstsc";
        case SessionMode::None:
            break;
    }
    return "none";
}
