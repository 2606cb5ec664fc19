#pragma once

#include <QHashFunctions>
#include <QList>
#include <QString>
#include <optional>

namespace hub {

// The kind of an installable bundle, named by its path extension: four plug-in
// formats and apps. Knows where such a bundle goes for the current user and where a
// system-wide copy would sit. Stored as its raw value ("vst3", "component", ...).
class BundleKind {
public:
    enum Value { vst3, component, clap, vst, app };

    constexpr BundleKind(Value value) : value_(value) {}
    constexpr operator Value() const { return value_; }

    // vst3, component, clap, vst, app.
    static const QList<BundleKind>& allCases();

    // Exact, case-sensitive match on a raw value.
    static std::optional<BundleKind> fromString(QStringView raw);
    // The lower-cased extension of the path's last component (trailing "/" ignored).
    static std::optional<BundleKind> fromPath(QStringView path);
    // The text after the last "." of the path's last component; empty without one.
    static QStringView pathExtension(QStringView path);

    QString toString() const;
    QString label() const;
    // home + "Library/Audio/Plug-Ins/<folder>" for a plug-in, `applications` as given for an app.
    // Both roots come from the caller (the user's home folder and its applicationsDirectory in the app).
    QString destinationDirectory(const QString& home, const QString& applications) const;
    // The per-user applications folder, home + "/Applications": apps and games go there, since
    // a user cannot make a system-wide one.
    static QString applicationsDirectory(const QString& home);
    // The system-wide plug-in folder of this kind; none for apps.
    std::optional<QString> systemDirectory() const;

private:
    Value value_;
};

inline size_t qHash(BundleKind kind, size_t seed = 0) { return ::qHash(int(BundleKind::Value(kind)), seed); }

} // namespace hub
