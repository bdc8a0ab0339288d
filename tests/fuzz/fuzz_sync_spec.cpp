// The server's sync rules as SyncSpec reads them. Rules that parse are written
// in the laptop's format, and that text parses to the same rules and is
// written the same again; the ignore patterns follow from the rules alone.
#include "filesync/sync_spec.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto spec = parse_sync_spec(fuzz_text(data, size));
  if (!spec) {
    FUZZ_CHECK(spec.error().find(" at line ") != std::string::npos);
    return 0;
  }
  const std::string written = sync_spec_text(*spec);
  FUZZ_CHECK(written.starts_with("{\n  \"version\": "));
  FUZZ_CHECK(written.ends_with("\n}"));
  auto again = parse_sync_spec(written);
  FUZZ_CHECK(again.has_value());
  FUZZ_CHECK(*again == *spec);
  FUZZ_CHECK(sync_spec_text(*again) == written);

  // The patterns are the ignores, then one "/name" per valid server-only name.
  auto patterns = ignore_patterns(*spec);
  FUZZ_CHECK(patterns.size() >= spec->ignores.size());
  FUZZ_CHECK(patterns.size() <= spec->ignores.size() + spec->server_only.size());
  for (std::size_t i = 0; i < spec->ignores.size(); ++i) FUZZ_CHECK(patterns[i] == spec->ignores[i]);
  for (std::size_t i = spec->ignores.size(); i < patterns.size(); ++i) {
    FUZZ_CHECK(patterns[i].starts_with('/'));
    FUZZ_CHECK(valid_project_name(std::string_view(patterns[i]).substr(1)));
  }
  return 0;
}
