#include "fuzz_input.h"
#include "sim/transport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  sim::World world;
  std::string error;
  if (sim::MailItem* m = sim::ReadEml(world, text, &error)) {
    FUZZ_REQUIRE(m->sent);
    sim::WriteEml(*m);
  } else {
    FUZZ_REQUIRE(!error.empty());
  }
  return 0;
}
