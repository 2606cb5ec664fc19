#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace hub {

class CodeBytes;

// One CodeDirectory blob: the hashes of the code pages and of the special slots, the signing
// identifier and the team.
class CodeDirectory {
public:
    // Special slots.
    static constexpr int infoSlot = 1;
    static constexpr int requirementsSlot = 2;
    static constexpr int resourceDirSlot = 3;
    static constexpr int applicationSlot = 4;
    static constexpr int entitlementsSlot = 5;
    static constexpr int repSpecificSlot = 6;
    static constexpr int derEntitlementsSlot = 7;

    static constexpr uint32_t adhocFlag = 0x2;

    // Parses the whole blob; raises CodeSignatureFault for a malformed or unsupported one.
    static CodeDirectory parse(QByteArray blob);

    const QByteArray& blob() const { return blob_; }
    uint8_t hashType() const { return hashType_; }
    uint64_t codeLimit() const { return codeLimit_; }
    const QString& identifier() const { return identifier_; }
    const std::optional<QString>& teamID() const { return teamID_; }
    bool isAdhoc() const { return flags_ & adhocFlag; }

    // The hash of the blob itself (by its own hash type), and its first 20 bytes: the cdhash.
    QByteArray hash() const;
    QByteArray cdhash() const { return hash().left(20); }

    // Checks the pages of the code at `offset` in `file`, `length` bytes that must be the code limit;
    // raises errSignatureFailed naming the page.
    void verifyCode(const CodeBytes& file, uint64_t offset, size_t length, const QString& what) const;
    // Checks one special slot against the data it binds: with data the slot must hold its hash,
    // without data it must be absent or zero. Raises `status` with `what` on a mismatch.
    void verifySpecialSlot(int slot, const std::optional<QByteArray>& data, int32_t status, const QString& what) const;
    // Whether the slot exists and is not all zeros.
    bool hasSpecialSlot(int slot) const;

private:
    QByteArray slotHash(int slot) const; // empty when absent

    QByteArray blob_;
    uint32_t version_ = 0;
    uint32_t flags_ = 0;
    uint32_t hashOffset_ = 0;
    uint32_t specialSlots_ = 0;
    uint32_t codeSlots_ = 0;
    uint64_t codeLimit_ = 0;
    uint8_t hashType_ = 0;
    uint8_t hashSize_ = 0;
    uint8_t pageSizeLog2_ = 0;
    QString identifier_;
    std::optional<QString> teamID_;
};

} // namespace hub
