// The real entry of each laptop command. A member left empty would be a
// command not built yet; the dispatcher answers it with "not built yet".
#include "cli/laptop_entries.h"

#include "connect/connect_laptop.h"
#include "filesync/code_sync.h"
#include "maintenance/disconnect.h"
#include "maintenance/status.h"
#include "maintenance/uninstall.h"
#include "share/screenshots.h"
#include "share/send.h"
#include "share/share_setup.h"
#include "state/laptop_config.h"

LaptopEntries real_laptop_entries() {
  LaptopEntries entries;
  entries.connect_laptop = connect_laptop;
  entries.load_config = load_config;
  entries.sync_code = sync_code;
  entries.setup_share = setup_share;
  entries.laptop_status = laptop_status;
  entries.disconnect_laptop = disconnect_laptop;
  entries.uninstall_laptop = uninstall_laptop;
  entries.set_sharing = set_sharing;
  entries.send_files = send_files;
  entries.send_clipboard = send_clipboard;
  entries.set_keep_days = set_keep_days;
  entries.set_screenshot_folder = set_screenshot_folder;
  return entries;
}
