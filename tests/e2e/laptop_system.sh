# Sourced by laptop_host.sh and laptop_namespace.sh, which each run in a mount
# namespace of their own: the laptop's own view of the system.
# Environment: W (the harness's folder).

# /etc and /usr/local become overlays whose changes land in $W/system, /tmp is
# $W/laptop-tmp and /run an empty tmpfs. Mounts made from here on stay in this
# namespace.
laptop_system_mounts() {
  mount --make-rprivate /
  mount --bind "$W" "$W"
  mount --bind "$W/laptop-tmp" /tmp
  laptop_overlay /etc etc
  laptop_overlay /usr/local usr-local
  mount -t tmpfs -o mode=0755 tmpfs /run
}

laptop_overlay() { # folder, its name under $W/system
  mount -t overlay overlay -o "lowerdir=$1,upperdir=$W/system/$2/upper,workdir=$W/system/$2/work" "$1"
}

# The rest of / read-only, once the laptop's own files are in place, so nothing
# run from here (elevated scripts included) can change the machine itself; $W
# and the overlays stay writable, being mounts of their own.
laptop_root_read_only() {
  mount -o remount,bind,ro /
}
