// laptop.json as load_config parses it. A record that parses is written back
// in the fixed layout, and that text parses to the same record and is written
// the same again.
#include <algorithm>

#include "fuzz_check.h"
#include "state/laptop_config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto config = parse_laptop_config(fuzz_text(data, size));
  if (!config) {
    // Every fault names its place.
    FUZZ_CHECK(config.error().find(" at line ") != std::string::npos);
    return 0;
  }
  // The reader gives only valid UTF-8, so every record it gives can be written.
  auto written = laptop_config_text(*config);
  FUZZ_CHECK(written.has_value());
  FUZZ_CHECK(written->starts_with("{\n  \"server\": \""));
  FUZZ_CHECK(written->ends_with("\"\n}"));
  // Five lines: control characters in the values are escaped, never raw.
  FUZZ_CHECK(std::count(written->begin(), written->end(), '\n') == 4);

  auto again = parse_laptop_config(*written);
  FUZZ_CHECK(again.has_value());
  FUZZ_CHECK(*again == *config);
  auto rewritten = laptop_config_text(*again);
  FUZZ_CHECK(rewritten.has_value() && *rewritten == *written);
  return 0;
}
