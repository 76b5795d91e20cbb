#!/usr/bin/env bash
# Starts an IMAP server (Dovecot) and an SMTP server (Postfix) on loopback for
# the mail tests and prints their settings on one line:
#   host=127.0.0.1 imap_port=993 imap_security=tls smtp_port=587 smtp_security=starttls
#   domain=nimbo.test ca=/var/lib/nimbo-mail/ca.pem password=...
# The domain "nimbo.test" has the mailboxes protocollo@, mittente@ and
# operatore@, all with the same password. IMAP is TLS only (993); SMTP is
# submission (587) with STARTTLS and login required; mail for nimbo.test goes
# to Dovecot over LMTP and nothing is relayed elsewhere. "user+folder@" lands
# in that folder of the user's mailbox, created on the fly, so that tests can
# each keep to their own folder.
#
# Everything lives under /var/lib/nimbo-mail (the servers run with their own
# configuration there, the machine's /etc is not touched). Safe to run again:
# what exists is kept, stopped servers are started, running ones reload.
# Needs root (or sudo); works without systemd. NIMBO_MAIL_IMAP_PORT,
# NIMBO_MAIL_SMTP_PORT and NIMBO_MAIL_LMTP_PORT move the servers off ports
# that the machine already uses.
set -euo pipefail

if [[ $(id -u) -ne 0 ]]; then
  exec sudo --preserve-env=NIMBO_MAIL_IMAP_PORT,NIMBO_MAIL_SMTP_PORT,NIMBO_MAIL_LMTP_PORT -- "$0" "$@"
fi

base=/var/lib/nimbo-mail
tls="$base/tls"
run=/run/nimbo-mail
imap_port=${NIMBO_MAIL_IMAP_PORT:-993}
smtp_port=${NIMBO_MAIL_SMTP_PORT:-587}
lmtp_port=${NIMBO_MAIL_LMTP_PORT:-24}
users=(protocollo mittente operatore)
# Mailboxes a test claims for itself alone (tests/support/MailboxLease.h).
for i in $(seq -w 1 24); do users+=("casella$i"); done
domain=nimbo.test

log() { echo "start-mail: $*" >&2; }

packages=()
command -v dovecot >/dev/null 2>&1 || packages+=(dovecot-imapd)
[[ -e /usr/lib/dovecot/lmtp ]] || packages+=(dovecot-lmtpd)
command -v postfix >/dev/null 2>&1 || packages+=(postfix)
command -v openssl >/dev/null 2>&1 || packages+=(openssl)
if ((${#packages[@]})); then
  log "installazione di ${packages[*]}"
  # Postfix is configured here, not by its package.
  echo "postfix postfix/main_mailer_type select No configuration" | debconf-set-selections
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q >&2
  apt-get install -y -q --no-install-recommends "${packages[@]}" >&2
fi

getent group nimbomail >/dev/null || groupadd --system nimbomail
getent passwd nimbomail >/dev/null ||
  useradd --system --gid nimbomail --home-dir "$base/mail" --no-create-home --shell /usr/sbin/nologin nimbomail

install -d -m 0711 "$base"
install -d -m 0700 "$tls" "$base/postfix" "$base/dovecot-state"
install -d -m 0700 -o nimbomail -g nimbomail "$base/mail"
install -d -m 0755 "$run" "$base/postfix-queue"
install -d -m 0700 -o postfix -g postfix "$base/postfix-data"

# A CA of our own and a server certificate for 127.0.0.1 and localhost.
if [[ ! -s "$base/ca.pem" || ! -s "$tls/server.pem" ]]; then
  log "certificati in $base"
  umask 077
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Nimbo test CA" \
    -keyout "$tls/ca.key" -out "$tls/ca.pem" >/dev/null 2>&1
  openssl req -newkey rsa:2048 -nodes -subj "/CN=localhost" \
    -keyout "$tls/server.key" -out "$tls/server.csr" >/dev/null 2>&1
  printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' \
    >"$tls/server.ext"
  openssl x509 -req -in "$tls/server.csr" -CA "$tls/ca.pem" -CAkey "$tls/ca.key" -CAcreateserial \
    -days 3650 -extfile "$tls/server.ext" -out "$tls/server.pem" >/dev/null 2>&1
  umask 022
  # The CA certificate is public: every test process must read it.
  install -m 0644 "$tls/ca.pem" "$base/ca.pem"
fi

if [[ ! -s "$base/password" ]]; then
  (umask 077 && openssl rand -hex 12 >"$base/password")
fi
password=$(<"$base/password")

# Users: the same password for every mailbox, stored hashed.
hash=$(doveadm pw -s SHA512-CRYPT -p "$password")
: >"$base/users.new"
: >"$base/postfix/mailboxes"
for u in "${users[@]}"; do
  echo "$u@$domain:$hash::::::" >>"$base/users.new"
  echo "$u@$domain OK" >>"$base/postfix/mailboxes"
done
chown dovecot:dovecot "$base/users.new"
chmod 0600 "$base/users.new"
mv -f "$base/users.new" "$base/users"

dh=""
[[ -s /usr/share/dovecot/dh.pem ]] && dh="ssl_dh = </usr/share/dovecot/dh.pem"
cat >"$base/dovecot.conf" <<EOF
base_dir = $run/dovecot
state_dir = $base/dovecot-state
log_path = $base/dovecot.log
protocols = imap lmtp
listen = 127.0.0.1
ssl = required
ssl_cert = <$tls/server.pem
ssl_key = <$tls/server.key
$dh
ssl_min_protocol = TLSv1.2
disable_plaintext_auth = yes
auth_mechanisms = plain login
auth_username_format = %Lu
# The tests try wrong passwords on purpose: no delays that would slow down
# the other tests of the same address.
auth_failure_delay = 0
service anvil {
  unix_listener anvil-auth-penalty {
    mode = 0
  }
}
passdb {
  driver = passwd-file
  args = scheme=SHA512-CRYPT $base/users
}
userdb {
  driver = static
  args = uid=nimbomail gid=nimbomail home=$base/mail/%d/%n
}
mail_location = maildir:~/Maildir
namespace inbox {
  inbox = yes
  separator = /
}
recipient_delimiter = +
lmtp_save_to_detail_mailbox = yes
lda_mailbox_autocreate = yes
service imap-login {
  inet_listener imap {
    port = 0
  }
  inet_listener imaps {
    address = 127.0.0.1
    port = $imap_port
    ssl = yes
  }
}
service lmtp {
  inet_listener lmtp {
    address = 127.0.0.1
    port = $lmtp_port
  }
}
service auth {
  unix_listener auth-postfix {
    mode = 0660
    user = postfix
    group = postfix
  }
}
protocol imap {
  mail_max_userip_connections = 100
}
EOF

pf="$base/postfix"
cat >"$pf/main.cf" <<EOF
compatibility_level = 3.6
queue_directory = $base/postfix-queue
data_directory = $base/postfix-data
maillog_file = $base/postfix.log
myhostname = mail.$domain
mydomain = $domain
myorigin = $domain
mydestination =
inet_interfaces = 127.0.0.1
inet_protocols = ipv4
mynetworks = 127.0.0.1/32
alias_maps =
alias_database =
biff = no
recipient_delimiter = +
virtual_mailbox_domains = $domain
virtual_mailbox_maps = texthash:$pf/mailboxes
virtual_transport = lmtp:inet:127.0.0.1:$lmtp_port
relayhost =
default_transport = error:nessun inoltro fuori da $domain
relay_transport = error:nessun inoltro fuori da $domain
smtpd_relay_restrictions = permit_sasl_authenticated, reject_unauth_destination
smtpd_recipient_restrictions = reject_unlisted_recipient
smtpd_tls_cert_file = $tls/server.pem
smtpd_tls_key_file = $tls/server.key
smtpd_tls_security_level = encrypt
smtpd_tls_auth_only = yes
smtpd_sasl_type = dovecot
smtpd_sasl_path = $run/dovecot/auth-postfix
smtpd_sasl_auth_enable = yes
message_size_limit = 52428800
smtpd_error_sleep_time = 0
EOF
cat >"$pf/master.cf" <<EOF
127.0.0.1:$smtp_port inet n - n - - smtpd
  -o syslog_name=postfix/submission
  -o smtpd_client_restrictions=permit_sasl_authenticated,reject
pickup    unix  n - n 60   1 pickup
cleanup   unix  n - n -    0 cleanup
qmgr      unix  n - n 300  1 qmgr
tlsmgr    unix  - - n 1000? 1 tlsmgr
rewrite   unix  - - n -    - trivial-rewrite
bounce    unix  - - n -    0 bounce
defer     unix  - - n -    0 bounce
trace     unix  - - n -    0 bounce
verify    unix  - - n -    1 verify
flush     unix  n - n 1000? 0 flush
proxymap  unix  - - n -    - proxymap
proxywrite unix - - n -    1 proxymap
smtp      unix  - - n -    - smtp
relay     unix  - - n -    - smtp
showq     unix  n - n -    - showq
error     unix  - - n -    - error
retry     unix  - - n -    - error
discard   unix  - - n -    - discard
lmtp      unix  - - n -    - lmtp
anvil     unix  - - n -    1 anvil
scache    unix  - - n -    1 scache
postlog   unix-dgram n - n - 1 postlogd
EOF

# Dovecot counts as running when its port answers (its processes end with
# their master): after a container's processes were killed, a pid file may
# name a process that is gone or a zombie nobody reaps.
answers() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

if answers "$imap_port"; then
  doveadm -c "$base/dovecot.conf" reload >&2
else
  log "avvio di Dovecot"
  rm -f "$run/dovecot/master.pid"
  dovecot -c "$base/dovecot.conf" >&2
fi

# Postfix tells by the lock its master holds.
if postfix -c "$pf" status >/dev/null 2>&1; then
  postfix -c "$pf" reload >/dev/null 2>&1
else
  log "avvio di Postfix"
  rm -f "$base/postfix-queue/pid/master.pid"
  postfix -c "$pf" start >&2 || {
    tail -n 5 "$base/postfix.log" >&2
    exit 1
  }
fi

# Both must answer before the tests begin.
ready=0
for _ in $(seq 1 30); do
  if answers "$imap_port" && answers "$smtp_port"; then
    ready=1
    break
  fi
  sleep 1
done
if ((ready == 0)); then
  echo "I server di posta non rispondono sulle porte $imap_port e $smtp_port (vedere $base/*.log)" >&2
  exit 1
fi

echo "host=127.0.0.1 imap_port=$imap_port imap_security=tls smtp_port=$smtp_port smtp_security=starttls domain=$domain ca=$base/ca.pem password=$password"
