#pragma once
// The recording serial driver under the name the setup window's tests use.
#include "fakes/run_fakes.h"

namespace pv::test {
using pv::testing::RecordingDriver;
} // namespace pv::test
