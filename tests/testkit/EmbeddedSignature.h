#pragma once

#include "tests/testkit/BundleSpec.h"
#include "tests/testkit/SigningIdentity.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace hub::test {

// The blobs of an embedded code signature (all fields big-endian), written by the test signer.
class EmbeddedSignature {
public:
    enum : quint32 {
        superBlobMagic = 0xfade0cc0,
        codeDirectoryMagic = 0xfade0c02,
        requirementsMagic = 0xfade0c01,
        entitlementsMagic = 0xfade7171,
        cmsMagic = 0xfade0b01,
    };
    enum : quint32 {
        codeDirectorySlot = 0,
        requirementsSlot = 2,
        entitlementsSlot = 5,
        alternateCodeDirectorySlot = 0x1000,
        cmsSlot = 0x10000,
    };
    enum : quint8 { sha1 = 1, sha256 = 2 };
    enum : quint32 { adHocFlag = 0x2, runtimeFlag = 0x10000 };

    // What one CodeDirectory says.
    struct Directory {
        quint32 version = 0x20400;
        quint32 flags = 0;
        quint8 hashType = sha256;
        quint8 pageSizeLog2 = 12;       // 0: one hash over all the code
        QString identifier;
        QString teamID;                 // left out when empty (teamOffset 0)
        const char* code = nullptr;     // the bytes the code slots cover: [0, codeLimit)
        qint64 codeLimit = 0;
        QMap<int, QByteArray> special;  // special slot number (1 = Info.plist, ...) -> bytes hashed into it
        quint64 execSegBase = 0, execSegLimit = 0, execSegFlags = 0; // version 0x20400 and later
        bool corruptFirstPage = false;  // store a wrong hash for code page 0

        qint64 pageCount() const;
        qint64 size() const;            // bytes of the CodeDirectory, known before hashing
    };

    static QByteArray hash(quint8 hashType, const char* data, qint64 size);
    static QByteArray hash(quint8 hashType, const QByteArray& data) { return hash(hashType, data.constData(), data.size()); }

    static QByteArray blob(quint32 magic, const QByteArray& payload);
    static QByteArray codeDirectory(const Directory& directory);
    static QByteArray emptyRequirements();
    static QByteArray entitlements(const QByteArray& xml);
    // Detached CMS SignedData over the first CodeDirectory, naming every CodeDirectory's hash in the
    // signed attributes; wrapped in the 0xfade0b01 blob. Ad hoc: the bare blob header.
    static QByteArray cms(const QList<QByteArray>& codeDirectories, const SigningIdentity& identity);
    // A superblob over (slot, blob) pairs, in the order given.
    static QByteArray superBlob(const QList<QPair<quint32, QByteArray>>& blobs);

    // Everything for one signature, apart from the code: identity, digests and the special-slot bytes.
    struct Input {
        Directory base;                 // identifier, flags, code, special slots, execSeg
        Digests digests = Digests::sha256;
        std::optional<QByteArray> entitlementsXml;
    };
    // Upper bound of the bytes the superblob of this input will take (the room to reserve).
    static qint64 reservedSize(const Input& input, const SigningIdentity& identity);
    // The whole superblob.
    static QByteArray build(const Input& input, const SigningIdentity& identity);

    // Hash type of a CodeDirectory blob, and its cdhash (the hash of the blob cut to 20 bytes).
    static quint8 hashTypeOf(const QByteArray& codeDirectory);
    static QByteArray cdhash(const QByteArray& codeDirectory);
    static quint32 flagsOf(const QByteArray& codeDirectory);
    static QString identifierOf(const QByteArray& codeDirectory);
    static QString teamOf(const QByteArray& codeDirectory); // empty when it names none

    // The (slot, blob) pairs of a superblob, in index order.
    static QList<QPair<quint32, QByteArray>> blobsIn(const QByteArray& superBlob);
    // Its CodeDirectories: slot 0 first, then the alternates.
    static QList<QByteArray> codeDirectoriesIn(const QByteArray& superBlob);
};

// Big-endian helpers shared by the signer's writers.
void appendBE32(QByteArray& out, quint32 value);
void appendBE64(QByteArray& out, quint64 value);
quint32 readBE32(const QByteArray& in, qint64 offset);
quint64 readBE64(const QByteArray& in, qint64 offset);
void writeBE32(QByteArray& out, qint64 offset, quint32 value);
void writeBE64(QByteArray& out, qint64 offset, quint64 value);

} // namespace hub::test
