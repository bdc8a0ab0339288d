// The real entry of each laptop command. A member stays empty until its
// command is built; the dispatcher answers it with "not built yet".
#include "cli/laptop_entries.h"

#include "share/screenshots.h"
#include "share/send.h"
#include "share/share_setup.h"
#include "state/laptop_config.h"

LaptopEntries real_laptop_entries() {
  LaptopEntries entries;
  entries.load_config = load_config;
  entries.setup_share = setup_share;
  entries.set_sharing = set_sharing;
  entries.send_files = send_files;
  entries.send_clipboard = send_clipboard;
  entries.set_keep_days = set_keep_days;
  entries.set_screenshot_folder = set_screenshot_folder;
  return entries;
}
