#pragma once

#include "tests/testkit/BundleSpec.h"
#include "tests/testkit/SigningIdentity.h"
#include "tests/testkit/TestNotary.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace hub::test {

// Builds bundles and disk images signed in the platform's on-disk code-signature format, for the
// verifier's tests. It shares no code with the verifier.
//
//   QTemporaryDir dir;
//   BundleSpec spec = BundleSpec::plugIn(QStringLiteral("Foo"));   // Foo.vst3, fat, version 120 / 1.2
//   const QString bundle = TestSigner::build(spec, dir.path(), SigningIdentity::developerId());
//   TestSigner::writeFile(bundle, QStringLiteral("Resources/Info.txt"), "edited"); // breaks the seal
//   // the verifier under test trusts anchors()
//
// What a signed bundle holds:
// - Mach-O executables (thin, or fat with the slices in the order of BundleSpec::architectures), each
//   slice with __TEXT (one __text section) and __LINKEDIT segments (__PAGEZERO too for apps) and an
//   LC_CODE_SIGNATURE load command as the last command, pointing at the signature at the end of
//   __LINKEDIT (16-byte aligned; the room reserved is zero-padded).
// - The signature superblob 0xfade0cc0, its index sorted by slot: CodeDirectory (slot 0), requirements
//   (slot 2, an empty set 0xfade0c01), entitlements (slot 5, when given), the alternate SHA-256
//   CodeDirectory (slot 0x1000, for Digests::sha1AndSha256), CMS (slot 0x10000, blob 0xfade0b01).
// - CodeDirectory 0xfade0c02 version 0x20400: identifier, team (not for ad hoc), page size 4096, code
//   slots over the slice up to the signature, special slots -1 Info.plist (file bytes), -2 requirements
//   blob, -3 CodeResources (file bytes), -5 entitlements blob; a slot without content is all zeros and
//   nSpecialSlots is the highest slot used. execSeg covers __TEXT (flag 0x1 for apps). Flags: 0x2 ad hoc,
//   0x10000 hardened runtime.
// - CMS: DER SignedData, detached, over the bytes of the slot-0 CodeDirectory, SHA-256 digest, signed
//   attributes contentType, signingTime, messageDigest, 1.2.840.113635.100.9.1 (an XML plist
//   {cdhashes: [each CodeDirectory's hash, cut to 20 bytes]}) and 1.2.840.113635.100.9.2 (one
//   SEQUENCE {digest algorithm, full hash} per CodeDirectory); certificates leaf, intermediate, root.
//   Ad hoc: the CMS blob is 8 bytes, header only.
// - Contents/_CodeSignature/CodeResources, an XML plist with files (SHA-1 data, or {hash, optional}),
//   files2 ({hash, hash2[, optional]}, {symlink}, or for nested code {cdhash, requirement}), rules and
//   rules2 as the platform writes them. Left out: the main executable, Info.plist, _CodeSignature,
//   _NotarizationTicket.
//   Symbolic links appear in files2 only.
// - The cdhash of nested code (in the host's CodeResources) is the hash of the strongest CodeDirectory
//   (SHA-256 when present) of the nested executable's first slice, cut to 20 bytes.
class TestSigner {
public:
    // Writes the bundle into dir (nested code first, each signed in turn) and signs it; returns the
    // bundle's path. Throws std::runtime_error on any failure.
    static QString build(const BundleSpec& spec, const QString& dir, const SigningIdentity& identity);

    // Signs (or re-signs) a bundle already on disk, reading its layout, identifier and executable from
    // its Info.plist. Nested code must be signed already; its current cdhash is sealed.
    static void sign(const QString& bundle, const SigningIdentity& identity,
                     const SignatureOptions& options = {});

    // A bare Mach-O (thin or fat), unsigned.
    static QByteArray machO(const QList<Architecture>& architectures, const QString& seed,
                            qint64 codeSize, bool executable = true);
    // Signs a bare Mach-O (every slice) with the given identifier; the special slots are filled from
    // the bytes given (Info.plist and CodeResources file contents), when given.
    static QByteArray signMachO(const QByteArray& image, const QString& identifier,
                                const SigningIdentity& identity, const SignatureOptions& options = {},
                                const std::optional<QByteArray>& infoPlist = {},
                                const std::optional<QByteArray>& codeResources = {});

    // Appends an embedded signature to a UDIF disk image (the file ends in a 512-byte "koly" trailer)
    // and sets the trailer's code-signature offset (byte 296) and length (byte 304). The CodeDirectory
    // (version 0x20200, page size 0 = one hash over everything) hashes the file up to the signature and
    // puts in special slot -6 the hash of the trailer as it is with the length field zero. An image that
    // was signed before is re-signed in place. The identifier defaults to the file's base name.
    static void signDiskImage(const QString& path, const SigningIdentity& identity,
                              const QString& identifier = {});
    // A minimal UDIF image: the data, an XML plist and a koly trailer. Unsigned.
    static void writeMinimalDiskImage(const QString& path, const QByteArray& data);

    // Staples a notarization ticket (after signing) at Contents/_NotarizationTicket, or a framework's
    // Versions/A/_NotarizationTicket: "TVNT", version 0x01, the number of cdhashes (one byte), the
    // cdhashes (20 bytes each; by default ticketCdhashes(bundle)), then the notary's ECDSA signature
    // (DER, SHA-256) over every byte before it.
    static void stapleTicket(const QString& bundle, const TestNotary& notary = TestNotary::standard(),
                             const std::optional<QList<QByteArray>>& cdhashes = {});
    // What a ticket for the bundle names: the cdhash of the strongest CodeDirectory of each slice
    // of its main executable.
    static QList<QByteArray> ticketCdhashes(const QString& bundle);

    // Mutations for negative tests. Paths inside a bundle are relative to its Contents/.

    // Writes (replaces or adds) a file in the bundle after signing: an edited resource, or an extra
    // file that was never sealed.
    static void writeFile(const QString& bundle, const QString& relativePath, const QByteArray& bytes);
    // Flips one byte in the __text section of the main executable (of the given slice, else the first).
    static void flipCodeByte(const QString& bundle, std::optional<Architecture> slice = {});
    // Removes the signature from every slice of the main executable and deletes _CodeSignature.
    static void stripSignature(const QString& bundle);
    // Changes a byte of the nested code's executable and re-signs the nested bundle, so the cdhash
    // sealed in the host's CodeResources no longer matches while the nested code is valid itself.
    static void resignNestedChanged(const QString& bundle, const QString& nestedRelativePath,
                                    const SigningIdentity& identity);

    // The bytes of the slot-0 CodeDirectory of every slice of a signed Mach-O (for the kit's own tests).
    static QList<QByteArray> codeDirectories(const QByteArray& image);
};

} // namespace hub::test
