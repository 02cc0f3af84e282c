#pragma once

#include <string>

// A report's detached OpenPGP signature, made and checked by the system's GnuPG (gpg) with the
// user's own keys in their keyring (GNUPGHOME or ~/.gnupg): the bench ships and makes no key. gpg
// runs from an argument list, never through a shell, so no name or key text is ever interpreted.

// Signs the file with the key (anything gpg's --local-user takes: a fingerprint, key id or address)
// and writes the binary signature to signaturePath whole. False with gpg's own reason when gpg is not
// installed, the key is not in the keyring or the signature cannot be written.
bool signDetached(const std::string& path, const std::string& key, const std::string& signaturePath,
                  std::string& error);

// Checks the file against its detached signature. True only for a good signature; report holds
// gpg's account of it (who signed, when, with which key) either way.
bool verifyDetached(const std::string& path, const std::string& signaturePath, std::string& report);
