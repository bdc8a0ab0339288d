/* Stand-in for sudo on the test laptop: runs the command as root without a
   password prompt, as a NOPASSWD rule would. The harness installs it setuid
   root and executable only by the laptop account's group; it hands over to a
   fixed root-owned script with a clean environment. */
#include <grp.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (getuid() != LAPTOP_UID) {
    fputs("sudo: this stand-in serves the test laptop account only\n", stderr);
    return 1;
  }
  if (setgroups(0, NULL) != 0 || setgid(0) != 0 || setuid(0) != 0) {
    perror("sudo");
    return 1;
  }
  char** args = calloc((size_t)argc + 2, sizeof *args);
  if (args == NULL) return 1;
  args[0] = "bash";
  args[1] = ELEVATE_SCRIPT;
  for (int i = 1; i < argc; ++i) args[i + 1] = argv[i];
  char* environment[] = {"PATH=/usr/sbin:/usr/bin:/sbin:/bin", "HOME=/root", "USER=root", "LOGNAME=root",
                         "SHELL=/bin/bash", "LANG=C.UTF-8", "SUDO_USER=" LAPTOP_USER, NULL};
  execve("/bin/bash", args, environment);
  perror("sudo: bash");
  return 127;
}
