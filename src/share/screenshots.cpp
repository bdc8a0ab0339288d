#include "share/screenshots.h"

#include "share/share_folder.h"
#include "state/file_io.h"
#include "state/text.h"

namespace fs = std::filesystem;

Result<void> set_screenshot_folder(const LaptopContext& context) {
  ToolRunner& runner = context.runner;
  fs::path folder = share_folder(context.home);
  PELK_TRY(create_folders(folder));
  PELK_TRY_ASSIGN(ToolOutput written,
                  run_capture(runner, "defaults", {"write", "com.apple.screencapture", "location", display_path(folder)}));
  if (!written.success) {
    return fail_message("cannot change the screenshot folder: " + std::string(trim(written.std_err)));
  }
  // SystemUIServer reads the setting only when it starts; whether it could be
  // restarted does not change the setting.
  (void)run_capture(runner, "killall", {"SystemUIServer"});
  return {};
}
