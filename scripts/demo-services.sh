# Sourced by the scripts that start the demo bureau (run-demo.sh, soak.sh, check-package.sh).

# makeDemoCa DIR: the demo's own certificate authority in DIR (ca.pem, ca.key), made once and
# valid for ten years; the demo bureau makes its server certificate from it at every start.
makeDemoCa() {
  [ -f "$1/ca.pem" ] && return 0
  mkdir -p "$1"
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Nimbulo demo bureau CA" \
    -keyout "$1/ca.key" -out "$1/ca.pem" 2>/dev/null
}

# listenPort LOG: the port a service names in its "listening on 127.0.0.1:PORT" line of LOG,
# waited for up to 5 s; "" when it never comes.
listenPort() {
  local found=""
  for _ in $(seq 50); do
    found=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$1")
    [ -n "$found" ] && break
    sleep 0.1
  done
  echo "$found"
}
