#!/usr/bin/env bash
# Encrypted files against the openssl command, both ways. The key comes from `openssl kdf`
# (PBKDF2 with HMAC-SHA1, salt "fernGlow", 1000 iterations) and the cipher is
# `openssl enc -K -iv -nosalt` with the library's fixed vector: the file holds the
# ciphertext alone. $1 is EncryptedFileTool.
set -euo pipefail
tool=$1
if ! command -v openssl > /dev/null; then
  echo "the openssl command is not installed: skipped"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
iv=$("$tool" iv)
fail() { echo "FAIL: $*"; exit 1; }
hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }
key() { # password, key length in bytes
  openssl kdf -keylen "$2" -kdfopt digest:SHA1 -kdfopt "hexpass:$(hex "$1")" -kdfopt salt:fernGlow \
    -kdfopt iter:1000 PBKDF2 | tr -d ':\n'
}

# The worked example's key, as a check on the recipe itself.
[ "$(key secret 16)" = 074DD947FF8596C8C94B5A96A2A40B27 ] || fail "openssl kdf gives another key for 'secret'"

password='correct horse'
k128=$(key "$password" 16)

# 1. A dictionary the project writes is AES-128-CBC of its XML property list.
"$tool" write-dictionary "$work/dict.enc" "$password" name=Corvane 'ünïcode=välue'
[ $(( $(stat -c %s "$work/dict.enc") % 16 )) -eq 0 ] || fail "the file is not whole blocks"
openssl enc -d -aes-128-cbc -K "$k128" -iv "$iv" -nosalt -in "$work/dict.enc" -out "$work/dict.xml"
head -c 5 "$work/dict.xml" | grep -q '<?xml' || fail "openssl does not decrypt the project's file to XML"
grep -q '<key>name</key>' "$work/dict.xml" && grep -q '<string>Corvane</string>' "$work/dict.xml" &&
  grep -q '<string>välue</string>' "$work/dict.xml" || fail "the decrypted dictionary lacks its values"

# 2. Property lists openssl encrypts, in every form, read in the project.
printf '%s' '<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict><key>from</key><string>openssl</string></dict></plist>' > "$work/plain.xml"
printf '%s' '{ from = openssl; /* old style */ }' > "$work/plain.txt"
forms=("$work/plain.xml" "$work/plain.txt")
if command -v plistutil > /dev/null; then
  plistutil -i "$work/plain.xml" -o "$work/plain.bin" -f bin
  forms+=("$work/plain.bin")
fi
for plain in "${forms[@]}"; do
  openssl enc -aes-128-cbc -K "$k128" -iv "$iv" -nosalt -in "$plain" -out "$work/cli.enc"
  "$tool" read-plist "$work/cli.enc" "$password" > "$work/back.xml" || fail "the project does not read $(basename "$plain")"
  grep -q '<string>openssl</string>' "$work/back.xml" || fail "$(basename "$plain") reads back wrong"
  if "$tool" read-plist "$work/cli.enc" "not $password" > /dev/null; then
    fail "another password reads $(basename "$plain")"
  fi
done

# 3. Data with the 256-bit key and a password that is not ASCII, both ways; empty data too.
password=$'p\xe4ssw\xf6rd'
k256=$(key "$password" 32)
head -c 100000 /dev/urandom > "$work/data"
: > "$work/empty"
for data in "$work/data" "$work/empty"; do
  "$tool" write-data "$work/data.enc" "$password" "$data" max
  openssl enc -d -aes-256-cbc -K "$k256" -iv "$iv" -nosalt -in "$work/data.enc" -out "$work/data.cli"
  cmp -s "$data" "$work/data.cli" || fail "openssl decrypts $(basename "$data") to other bytes"
  openssl enc -aes-256-cbc -K "$k256" -iv "$iv" -nosalt -in "$data" -out "$work/data.enc"
  "$tool" read-data "$work/data.enc" "$password" "$work/data.back" max
  cmp -s "$data" "$work/data.back" || fail "the project decrypts openssl's $(basename "$data") to other bytes"
done
[ "$(stat -c %s "$work/data.enc")" -eq 16 ] || fail "empty data is not one block"
echo "openssl interoperates both ways"
