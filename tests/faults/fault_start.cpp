// Linked into MONCHK04_F.exe only: wraps the program's imports before its
// own static objects are made, when MONSETUP_FAULT asks for it.
#include "fault_layer.h"

namespace {

__attribute__((init_priority(101))) const struct Start {
    Start() { FaultLayerStartFromEnvironment(); }
} start;

}  // namespace
