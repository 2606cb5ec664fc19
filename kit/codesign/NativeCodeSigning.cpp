#include "kit/codesign/NativeCodeSigning.h"

#include "kit/codesign/CodeBytes.h"
#include "kit/codesign/CodeDirectory.h"
#include "kit/codesign/CodeRequirement.h"
#include "kit/codesign/CodeSignatureFault.h"
#include "kit/deployment/Deployment.h"
#include "kit/codesign/DiskImageTrailer.h"
#include "kit/codesign/EmbeddedSignature.h"
#include "kit/codesign/MachOFile.h"
#include "kit/codesign/SealedResources.h"
#include "kit/codesign/SymbolicLink.h"
#include "kit/support/NoFollow.h"
#include "kit/support/PropertyList.h"
#include "kit/support/ReadOnlyFile.h"
#include "kit/support/SmallFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hub {

namespace {

using Service = CodeSigningService;

constexpr int maxNesting = 8;
constexpr qint64 maxTicketSize = 64 * 1024;
constexpr qint64 maxListSize = 64 * 1024 * 1024; // an Info.plist or a sealed resource list

enum class Kind { bundle, machO, diskImage, other };

// What a check read from the code it verified: the cdhashes of each architecture it checked (the
// first architecture's first, of its primary directory, binds that code, the Info.plist and the
// sealed resource list), whether that was every architecture and a bundle, the identity that
// directory names, and the Info.plist.
struct CheckedIdentity {
    QList<QList<QByteArray>> cdhashes;
    bool everyArchitecture = false;
    bool bundle = false;
    QString identifier;
    std::optional<QString> team;
    std::optional<QByteArray> infoPlist;
};

struct NativeCode : Service::StaticCode {
    QString path;

    // Keeps what the first check that verified the code found; a later check that finds other code
    // there (another process swapped it meanwhile) raises errSignatureFailed.
    void settle(CheckedIdentity found) const
    {
        const std::lock_guard lock(mutex);
        if (!checked)
            checked = std::move(found);
        else if (checked->cdhashes.first().first() != found.cdhashes.first().first())
            CodeSignatureFault::raise(Service::errSignatureFailed, QStringLiteral("the code changed while it was checked"));
    }
    std::optional<CheckedIdentity> settled() const
    {
        const std::lock_guard lock(mutex);
        return checked;
    }

    mutable std::mutex mutex;
    mutable std::optional<CheckedIdentity> checked;
};

// A file's kind, told from its bytes.
Kind kindOf(const CodeBytes& file)
{
    if (MachOFile::isMachO(file))
        return Kind::machO;
    if (file.size() >= DiskImageTrailer::size && file.read(file.size() - DiskImageTrailer::size, 4) == "koly")
        return Kind::diskImage;
    return Kind::other;
}

// A regular file's bytes, nothing when there is nothing at the path; a link or anything other
// than a regular file raises errRegularFile. Read without blocking and within bounds, so that
// whatever is put at the path meanwhile is refused rather than waited on.
std::optional<QByteArray> regularFile(const QString& path, const QString& what)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return std::nullopt;
    if (info.isSymLink() || !info.isFile())
        CodeSignatureFault::raise(Service::errRegularFile, what + QStringLiteral(" must be a regular file"));
    SmallFile file = SmallFile::read(path, maxListSize, SmallFile::Links::refuse);
    if (!file.bytes)
        CodeSignatureFault::raise(Service::errSignatureNotVerifiable, QStringLiteral("cannot read ") + what);
    return std::move(file.bytes);
}

const unsigned char* bytesOf(const QByteArray& bytes) { return reinterpret_cast<const unsigned char*>(bytes.constData()); }

// The disk image trailer at the end of the file, if any.
std::optional<DiskImageTrailer> trailerOf(const CodeBytes& file)
{
    if (file.size() < DiskImageTrailer::size)
        return std::nullopt;
    const QByteArray tail = file.read(file.size() - DiskImageTrailer::size, DiskImageTrailer::size);
    return DiskImageTrailer::read(bytesOf(tail), size_t(tail.size()));
}

// Where a bundle keeps its parts: Name.app/Contents/{Info.plist, MacOS/Name, _CodeSignature}, or a
// versioned framework: Name.framework/Versions/<Current>/{Resources/Info.plist, Name, _CodeSignature}.
struct BundleLayout {
    QString resourceRoot;   // what the sealed resources are relative to
    QString infoPlist;      // relative to the resource root
    QString executableFolder; // relative to the resource root, empty or ending in "/"
    bool framework = false;
};

[[noreturn]] void linkedLayout(const QString& what)
{
    CodeSignatureFault::raise(Service::errBadBundleFormat, what + QStringLiteral(" is a symbolic link"));
}

// Raises for `name` in the open folder, which could not be opened as a real folder (errno says why),
// unless it is not there at all.
void refuseFolder(int folder, const QByteArray& name, const QString& what)
{
    const int error = errno;
    if (error == ENOENT)
        return;
    // A link opened as a folder without following it fails with ENOTDIR too.
    struct stat status {};
    if (error == ELOOP || (error == ENOTDIR && ::fstatat(folder, name.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode)))
        linkedLayout(what);
    if (error == ENOTDIR)
        CodeSignatureFault::raise(Service::errBadBundleFormat, what + QStringLiteral(" is not a folder"));
    CodeSignatureFault::raise(Service::errSignatureNotVerifiable, QStringLiteral("cannot read the main executable"));
}

[[noreturn]] void noMainExecutable(bool hasSeal)
{
    if (hasSeal)
        CodeSignatureFault::raise(Service::errNoMainExecutable, QStringLiteral("the bundle has no main executable"));
    CodeSignatureFault::raise(Service::errUnsigned, QStringLiteral("the code is not signed"));
}

// The layout, read without following links: a bundle whose Contents, Versions or current version
// is a link would be checked (and installed) through it. Only Versions/Current is a link.
std::optional<BundleLayout> layoutOf(const QString& bundle)
{
    if (QFileInfo(bundle).isSymLink())
        linkedLayout(QStringLiteral("the bundle"));
    const QFileInfo contents(bundle + QStringLiteral("/Contents"));
    if (contents.isSymLink())
        linkedLayout(QStringLiteral("Contents"));
    if (contents.isDir())
        return BundleLayout{contents.filePath(), QStringLiteral("Info.plist"), QStringLiteral("MacOS/"), false};
    const QFileInfo versions(bundle + QStringLiteral("/Versions"));
    if (versions.isSymLink())
        linkedLayout(QStringLiteral("Versions"));
    const QString current = bundle + QStringLiteral("/Versions/Current");
    if (!versions.isDir() || !QFileInfo(current).isSymLink())
        return std::nullopt;
    const QString version = SymbolicLink::text(current).value_or(QString());
    const QFileInfo folder(bundle + QStringLiteral("/Versions/") + version);
    if (version.isEmpty() || version.contains(u'/') || version == u"." || version == u".." || folder.isSymLink() || !folder.isDir())
        CodeSignatureFault::raise(Service::errBadBundleFormat, QStringLiteral("the framework's current version is unusable"));
    return BundleLayout{folder.filePath(), QStringLiteral("Resources/Info.plist"), QString(), true};
}

// Raises errBadBundleFormat when a folder between the resource root and a part of the bundle
// (MacOS, _CodeSignature, a framework's Resources) is a link.
void checkNoLinkedFolder(const QString& root, const QString& relative)
{
    const QStringList folders = relative.split(u'/').mid(0, relative.count(u'/'));
    QString path = root;
    for (const QString& folder : folders) {
        path += u'/' + folder;
        if (QFileInfo(path).isSymLink())
            linkedLayout(folder);
    }
}

// The main executable at `path` in the bundle, opened once by a walk from the bundle that follows no
// link: a folder or the file swapped for a link meanwhile is refused, never read through. Nothing when
// it is not there.
std::optional<CodeBytes> openExecutable(const QString& bundle, const QString& path)
{
    const QStringList steps = QDir(bundle).relativeFilePath(path).split(u'/');
    FileDescriptor folder = NoFollow::openFolder(AT_FDCWD, QFile::encodeName(bundle));
    if (!folder.valid()) {
        refuseFolder(AT_FDCWD, QFile::encodeName(bundle), QStringLiteral("the bundle"));
        return std::nullopt;
    }
    for (qsizetype i = 0; i + 1 < steps.size(); ++i) {
        const QByteArray step = QFile::encodeName(steps.at(i));
        FileDescriptor next = NoFollow::openFolder(folder.get(), step);
        if (!next.valid()) {
            refuseFolder(folder.get(), step, steps.at(i));
            return std::nullopt;
        }
        folder = std::move(next);
    }
    std::optional<ReadOnlyFile> file = ReadOnlyFile::openAt(folder.get(), QFile::encodeName(steps.last()));
    if (file)
        return CodeBytes(std::move(*file), Service::errSignatureNotVerifiable, path);
    if (errno == ENOENT)
        return std::nullopt;
    if (errno == ELOOP || errno == EISDIR || errno == EINVAL)
        CodeSignatureFault::raise(Service::errRegularFile, QStringLiteral("the main executable must be a regular file"));
    CodeSignatureFault::raise(Service::errSignatureNotVerifiable, QStringLiteral("cannot read the main executable"));
}

// The main executable of a bundle, relative to its resource root: Info.plist's CFBundleExecutable,
// else one named after the bundle, else the only file in the executable folder. Nothing when there is none.
std::optional<QString> mainExecutable(const QString& bundle, const BundleLayout& layout, const std::optional<QByteArray>& infoPlist)
{
    if (infoPlist) {
        const auto plist = PropertyList::parse(*infoPlist);
        if (!plist || plist->typeId() != QMetaType::QVariantMap)
            CodeSignatureFault::raise(Service::errInfoPlistFailed, QStringLiteral("Info.plist is not a dictionary"));
        const QVariant name = plist->toMap().value(QStringLiteral("CFBundleExecutable"));
        if (name.typeId() == QMetaType::QString) {
            const QString text = name.toString();
            if (text.isEmpty() || text.contains(u'/') || text == u"." || text == u"..")
                CodeSignatureFault::raise(Service::errBadBundleFormat, QStringLiteral("the bundle names an unusable executable"));
            return layout.executableFolder + text;
        }
    }
    const QString folder = layout.resourceRoot + u'/' + layout.executableFolder;
    const QString byName = QFileInfo(bundle).completeBaseName();
    if (QFileInfo(folder + byName).isFile())
        return layout.executableFolder + byName;
    if (layout.framework)
        return std::nullopt;
    const auto files = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    if (files.size() == 1)
        return layout.executableFolder + files.first();
    return std::nullopt;
}

// Under strict checking nothing may sit beside what the seal covers: an app-style bundle holds only
// Contents; a framework only Versions and links into Versions/Current, and Versions only Current
// and the current version.
void checkBundleRoot(const QString& bundle, const BundleLayout& layout)
{
    if (layout.framework) {
        const QString version = QFileInfo(layout.resourceRoot).fileName();
        const auto versions = QDir(bundle + QStringLiteral("/Versions")).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QString& name : versions) {
            if (name != u"Current" && name != version)
                CodeSignatureFault::raise(Service::errUnsealedFrameworkRoot,
                                          QStringLiteral("unsealed contents present in the framework's versions: ") + name);
        }
    }
    const auto entries = QDir(bundle).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (!layout.framework) {
            if (entry.fileName() != u"Contents")
                CodeSignatureFault::raise(Service::errUnsealedAppRoot,
                                          QStringLiteral("unsealed contents present in the bundle root: ") + entry.fileName());
            continue;
        }
        if (entry.fileName() == u"Versions" && entry.isDir() && !entry.isSymLink())
            continue;
        // Cleaned first, so that "Versions/Current/../.." cannot climb out.
        if (!entry.isSymLink()
            || !QDir::cleanPath(SymbolicLink::text(entry.filePath()).value_or(QString())).startsWith(QStringLiteral("Versions/Current/")))
            CodeSignatureFault::raise(Service::errUnsealedFrameworkRoot,
                                      QStringLiteral("unsealed contents present in the framework root: ") + entry.fileName());
    }
}

QString fileName(const QString& path)
{
    return QFileInfo(path).fileName();
}

QList<QByteArray> pemCertificates(const char* pem)
{
    QList<QByteArray> certificates;
    BIO* bio = BIO_new_mem_buf(pem, -1);
    while (X509* cert = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr)) {
        unsigned char* der = nullptr;
        const int length = i2d_X509(cert, &der);
        if (length > 0)
            certificates.append(QByteArray(reinterpret_cast<const char*>(der), length));
        OPENSSL_free(der);
        X509_free(cert);
    }
    BIO_free(bio);
    return certificates;
}

} // namespace

// What a code object's checked signature binds besides its code.
struct NativeCodeSigning::SpecialData {
    bool bundle = false;
    std::optional<QByteArray> infoPlist;
    std::optional<QByteArray> resources;
    std::optional<DiskImageTrailer> trailer;
};

// One checked signature: the code directory that was verified, the chain (empty for ad-hoc code)
// and the cdhashes that identify the code.
struct NativeCodeSigning::SignedCode {
    QString identifier;
    std::optional<QString> team;
    CertificateChain chain;
    QList<QByteArray> cdhashes;
};

// What one check read and verified: the signatures of the architectures checked, and for a bundle
// whether it is one and the Info.plist its signatures bind.
struct NativeCodeSigning::CheckedCode {
    QList<SignedCode> signatures;
    bool bundle = false;
    std::optional<QByteArray> infoPlist;

    QList<QList<QByteArray>> cdhashesPerArchitecture() const
    {
        QList<QList<QByteArray>> all;
        for (const SignedCode& signature : signatures)
            all.append(signature.cdhashes);
        return all;
    }
    QList<QByteArray> cdhashes() const
    {
        QList<QByteArray> all;
        for (const QList<QByteArray>& architecture : cdhashesPerArchitecture())
            all += architecture;
        return all;
    }
    CheckedIdentity identity(uint32_t flags) const
    {
        const SignedCode& first = signatures.first();
        return {cdhashesPerArchitecture(), (flags & checkAllArchitectures) != 0, bundle, first.identifier, first.team, infoPlist};
    }
};

struct NativeCodeSigning::Anchors {
    Anchors(const QList<QByteArray>& anchorsDer, std::function<QDateTime()> clock, const QList<QByteArray>& notaryKeysDer)
        : trust(anchorsDer, std::move(clock)), notary(notaryKeysDer)
    {
    }
    SignatureTrust trust;
    NotaryTrust notary;
};

NativeCodeSigning::NativeCodeSigning(const QList<QByteArray>& anchorsDer, std::function<QDateTime()> clock,
                                     const QList<QByteArray>& notaryKeysDer)
    : NativeCodeSigning([anchorsDer, clock = std::move(clock), notaryKeysDer] {
        return std::make_unique<const Anchors>(anchorsDer, clock, notaryKeysDer);
    })
{
}

NativeCodeSigning::NativeCodeSigning(AnchorsFactory makeAnchors) : makeAnchors_(std::move(makeAnchors)) {}

NativeCodeSigning::~NativeCodeSigning() = default;

std::shared_ptr<const NativeCodeSigning> NativeCodeSigning::standard()
{
    static const auto& service = *new std::shared_ptr<const NativeCodeSigning>(new NativeCodeSigning([] {
        const Deployment& deployment = Deployment::current();
        return std::make_unique<const Anchors>(pemCertificates(deployment.codeSigningAnchorsPEM.constData()),
                                               std::function<QDateTime()>{},
                                               NotaryTrust::publicKeys(deployment.notaryKeysPEM.constData()));
    }));
    return service;
}

const NativeCodeSigning::Anchors& NativeCodeSigning::anchors() const
{
    std::call_once(anchorsBuilt_, [this] { anchors_ = makeAnchors_(); });
    return *anchors_;
}

std::shared_ptr<const Service::StaticCode> NativeCodeSigning::createStaticCode(const QString& path) const
{
    // Nothing but a folder or a regular file that can be read makes a code object. The file is not
    // opened here: the check opens it, and refuses whatever is put at the path meanwhile.
    const QByteArray name = QFile::encodeName(path);
    struct stat status {};
    const bool folder = ::stat(name.constData(), &status) == 0 && S_ISDIR(status.st_mode);
    if (!folder
        && (::lstat(name.constData(), &status) != 0 || !S_ISREG(status.st_mode) || ::faccessat(AT_FDCWD, name.constData(), R_OK, AT_EACCESS) != 0))
        return nullptr;
    auto code = std::make_shared<NativeCode>();
    code->path = path;
    return code;
}

Service::Validity NativeCodeSigning::checkValidity(const StaticCode& code, uint32_t flags, const Requirement* requirement) const
{
    const auto* native = dynamic_cast<const NativeCode*>(&code);
    const auto* compiled = dynamic_cast<const CodeRequirement*>(requirement);
    if (!native || (requirement && !compiled))
        return {errSignatureNotVerifiable, QStringLiteral("the code object or requirement is foreign")};
    try {
        // Without notary keys nothing is notarized, and the code need not be read to know it.
        if (compiled && compiled->needsNotarization() && !anchors().notary.hasKeys())
            CodeSignatureFault::raise(errReqFailed, QStringLiteral("no notary key is configured"));
        const CheckedCode checked = check(native->path, flags, 0);
        native->settle(checked.identity(flags));
        if (compiled)
            checkRequirement(checked, native->path, *compiled);
        return {};
    } catch (const CodeSignatureFault& fault) {
        return {fault.status, fault.text};
    }
}

std::shared_ptr<const Service::Requirement> NativeCodeSigning::compileRequirement(const QString& text) const
{
    return CodeRequirement::compile(text);
}

std::optional<QVariantMap> NativeCodeSigning::copySigningInformation(const StaticCode& code, uint32_t) const
{
    const auto* native = dynamic_cast<const NativeCode*>(&code);
    if (!native)
        return std::nullopt;
    const std::lock_guard lock(native->mutex);
    const auto& checked = native->checked;
    if (!checked)
        return std::nullopt;
    QVariantMap info{{infoIdentifier(), checked->identifier}};
    if (checked->team)
        info.insert(infoTeamIdentifier(), *checked->team);
    if (checked->infoPlist) {
        if (const auto plist = PropertyList::parse(*checked->infoPlist); plist && plist->typeId() == QMetaType::QVariantMap)
            info.insert(infoPList(), *plist);
    }
    return info;
}

std::optional<QString> NativeCodeSigning::statusMessage(int32_t status) const
{
    static const QHash<int32_t, QString> messages{
        {errUnsigned, QStringLiteral("the code is not signed")},
        {errSignatureFailed, QStringLiteral("the code or its signature has been modified")},
        {errSignatureNotVerifiable, QStringLiteral("the code cannot be read")},
        {errSignatureUnsupported, QStringLiteral("the signature's format is not supported")},
        {errBadDictionaryFormat, QStringLiteral("a property list of the signature is malformed")},
        {errResourcesNotSealed, QStringLiteral("resources are present but not sealed by the signature")},
        {errResourcesNotFound, QStringLiteral("the signature seals resources that are not there")},
        {errResourcesInvalid, QStringLiteral("the sealed resource list is invalid")},
        {errBadResource, QStringLiteral("a sealed resource is missing or invalid")},
        {errResourceRulesInvalid, QStringLiteral("a resource rule is invalid")},
        {errReqInvalid, QStringLiteral("the code requirement is invalid")},
        {errReqUnsupported, QStringLiteral("the code requirement uses an unsupported form")},
        {errReqFailed, QStringLiteral("the code does not satisfy the requirement")},
        {errBadObjectFormat, QStringLiteral("the code's file format is not recognised")},
        {errInfoPlistFailed, QStringLiteral("Info.plist does not match the signature")},
        {errNoMainExecutable, QStringLiteral("the bundle has no main executable")},
        {errBadBundleFormat, QStringLiteral("the bundle's layout is not recognised")},
        {errResourceDirectoryFailed, QStringLiteral("the sealed resource list does not match the signature")},
        {errUnsignedNestedCode, QStringLiteral("nested code is not signed")},
        {errBadNestedCode, QStringLiteral("nested code is modified or invalid")},
        {errResourceNotSupported, QStringLiteral("a resource is not a file, folder or link")},
        {errRegularFile, QStringLiteral("the main executable or Info.plist is not a regular file")},
        {errUnsealedAppRoot, QStringLiteral("unsealed contents present in the bundle root")},
        {errUnsealedFrameworkRoot, QStringLiteral("unsealed contents present in the framework root")},
        {errWeakResourceEnvelope, QStringLiteral("the sealed resource list uses an obsolete format")},
        {errInvalidSymlink, QStringLiteral("a link in the bundle points outside it")},
        {errBadDiskImageFormat, QStringLiteral("the disk image's format is not recognised")},
        {errUnsupportedDigestAlgorithm, QStringLiteral("the signature uses an unsupported hash algorithm")},
        {errBadTeamIdentifier, QStringLiteral("the team identifier does not match the signing certificate")},
        {errNotTrusted, QStringLiteral("the signing certificate is not trusted")},
    };
    const auto it = messages.constFind(status);
    if (it == messages.constEnd())
        return std::nullopt;
    return *it;
}

NativeCodeSigning::CheckedCode NativeCodeSigning::check(const QString& path, uint32_t flags, int depth) const
{
    CheckedCode checked;
    if (QFileInfo(path).isDir()) {
        checked = checkBundle(path, flags, depth);
    } else {
        // Opened once, without following a link: what tells the kind is what is checked.
        auto opened = ReadOnlyFile::openAt(AT_FDCWD, QFile::encodeName(path));
        if (!opened)
            CodeSignatureFault::raise(errSignatureNotVerifiable, QStringLiteral("cannot read ") + fileName(path));
        const CodeBytes file(std::move(*opened), errSignatureNotVerifiable, path);
        switch (kindOf(file)) {
        case Kind::machO: checked.signatures = checkMachO(file, fileName(path), flags, SpecialData{}); break;
        case Kind::diskImage: checked.signatures = checkDiskImage(file); break;
        default: CodeSignatureFault::raise(errUnsigned, QStringLiteral("the code is not signed"));
        }
    }
    // Every architecture of one code object is signed alike: a host seals one cdhash of nested
    // code, so a slice signed by someone else (or ad hoc) beside it would otherwise ride along.
    const auto sameSigner = [](const SignedCode& a, const SignedCode& b) {
        if (a.identifier != b.identifier || a.chain.isEmpty() != b.chain.isEmpty())
            return false;
        return a.chain.isEmpty() || X509_cmp(a.chain.first().get(), b.chain.first().get()) == 0;
    };
    for (const SignedCode& signature : checked.signatures) {
        if (!sameSigner(signature, checked.signatures.first()))
            CodeSignatureFault::raise(errSignatureFailed,
                                      QStringLiteral("the architectures of ") + fileName(path) + QStringLiteral(" are signed differently"));
    }
    return checked;
}

void NativeCodeSigning::checkRequirement(const CheckedCode& code, const QString& path, const CodeRequirement& requirement) const
{
    const bool notarized = requirement.needsNotarization() && code.bundle && hasTicket(path, code.cdhashesPerArchitecture());
    for (const SignedCode& signature : code.signatures) {
        if (!requirement.isSatisfiedBy(signature.chain, signature.identifier, notarized))
            CodeSignatureFault::raise(errReqFailed, QStringLiteral("the code does not satisfy the requirement"));
    }
}

bool NativeCodeSigning::isNotarized(const StaticCode& code) const
{
    const auto* native = dynamic_cast<const NativeCode*>(&code);
    if (!native || !anchors().notary.hasKeys())
        return false;
    // The code this object stands for was read and hashed by its first check; only a check that
    // covered every architecture tells what a ticket must name.
    const std::optional<CheckedIdentity> checked = native->settled();
    if (!checked || !checked->everyArchitecture)
        return CodeSigningService::isNotarized(code);
    return checked->bundle && hasTicket(native->path, checked->cdhashes);
}

bool NativeCodeSigning::hasTicket(const QString& bundle, const QList<QList<QByteArray>>& cdhashes) const
{
    const auto layout = layoutOf(bundle);
    if (!layout)
        return false;
    const SmallFile ticket =
        SmallFile::read(layout->resourceRoot + u'/' + SealedResources::ticketFile, maxTicketSize, SmallFile::Links::refuse);
    if (!ticket.bytes)
        return false;
    return anchors().notary.vouchesFor(*ticket.bytes, cdhashes);
}

NativeCodeSigning::CheckedCode NativeCodeSigning::checkBundle(const QString& path, uint32_t flags, int depth) const
{
    const auto layout = layoutOf(path);
    if (!layout)
        CodeSignatureFault::raise(errBadBundleFormat, QStringLiteral("the bundle's layout is not recognised"));
    const QString& root = layout->resourceRoot;
    SpecialData special;
    special.bundle = true;
    checkNoLinkedFolder(root, layout->infoPlist);
    checkNoLinkedFolder(root, SealedResources::signatureFolder + u'/' + SealedResources::resourceListName);
    special.infoPlist = regularFile(root + u'/' + layout->infoPlist, QStringLiteral("Info.plist"));
    const bool hasSeal = QFileInfo::exists(root + u'/' + SealedResources::signatureFolder);
    const auto executable = mainExecutable(path, *layout, special.infoPlist);
    if (!executable)
        noMainExecutable(hasSeal);
    const QString executablePath = root + u'/' + *executable;
    const std::optional<CodeBytes> file = openExecutable(path, executablePath);
    if (!file)
        noMainExecutable(hasSeal);
    if (kindOf(*file) != Kind::machO) {
        if (hasSeal)
            CodeSignatureFault::raise(errSignatureUnsupported, QStringLiteral("only Mach-O executables can be checked"));
        CodeSignatureFault::raise(errUnsigned, QStringLiteral("the code is not signed"));
    }
    special.resources = regularFile(root + u'/' + SealedResources::signatureFolder + u'/' + SealedResources::resourceListName,
                                    QStringLiteral("the sealed resource list"));

    CheckedCode checked{checkMachO(*file, fileName(executablePath), flags, special), true, special.infoPlist};
    if (!special.resources)
        CodeSignatureFault::raise(errResourcesNotSealed, QStringLiteral("the bundle's resources are not sealed"));
    if (flags & strictValidate)
        checkBundleRoot(path, *layout);
    SealedResources::verify(path, root, {*executable, layout->infoPlist}, *special.resources, flags, [&](const QString& nested) {
        if (depth >= maxNesting)
            CodeSignatureFault::raise(errBadNestedCode, QStringLiteral("nested too deeply"));
        return check(nested, flags, depth + 1).cdhashes();
    });
    return checked;
}

QList<NativeCodeSigning::SignedCode> NativeCodeSigning::checkMachO(const CodeBytes& file, const QString& name, uint32_t flags,
                                                                  const SpecialData& special) const
{
    const auto slices = MachOFile::slices(file);
    if (std::none_of(slices.begin(), slices.end(), [](const auto& slice) { return slice.signatureOffset.has_value(); }))
        CodeSignatureFault::raise(errUnsigned, QStringLiteral("the code is not signed"));
    MachOFile::checkNothingUnsigned(file, slices);
    const qsizetype count = (flags & checkAllArchitectures) ? slices.size() : 1;
    QList<SignedCode> signatures;
    for (qsizetype i = 0; i < count; ++i) {
        const MachOFile::Slice& slice = slices.at(i);
        const QString what = QStringLiteral("the ") + slice.architecture() + QStringLiteral(" code of ") + name;
        if (!slice.signatureOffset) {
            CodeSignatureFault::raise(count == 1 ? errUnsigned : errSignatureFailed, what + QStringLiteral(" is not signed"));
        }
        const QByteArray signature = file.read(slice.offset + *slice.signatureOffset, slice.signatureSize);
        signatures.append(checkSignature(signature, file, slice.offset, *slice.signatureOffset, special, what));
    }
    return signatures;
}

QList<NativeCodeSigning::SignedCode> NativeCodeSigning::checkDiskImage(const CodeBytes& file) const
{
    SpecialData special;
    special.trailer = trailerOf(file);
    if (!special.trailer)
        CodeSignatureFault::raise(errBadDiskImageFormat, QStringLiteral("the disk image has no trailer"));
    const uint64_t offset = special.trailer->signatureOffset;
    const uint64_t length = special.trailer->signatureLength;
    if (offset == 0 && length == 0)
        CodeSignatureFault::raise(errUnsigned, QStringLiteral("the disk image is not signed"));
    if (!CodeBytes::fits(file.size() - DiskImageTrailer::size, offset, length))
        CodeSignatureFault::raise(errBadDiskImageFormat, QStringLiteral("the disk image's signature lies outside it"));
    if (length > EmbeddedSignature::maxSize)
        CodeSignatureFault::raise(errBadDiskImageFormat, QStringLiteral("the disk image's signature is larger than any real one"));
    return {checkSignature(file.read(offset, length), file, 0, offset, special, QStringLiteral("the disk image"))};
}

NativeCodeSigning::SignedCode NativeCodeSigning::checkSignature(const QByteArray& signatureData, const CodeBytes& file,
                                                                uint64_t codeOffset, size_t codeLength, const SpecialData& special,
                                                                const QString& what) const
{
    const EmbeddedSignature signature = EmbeddedSignature::parse(bytesOf(signatureData), size_t(signatureData.size()));
    const QList<CodeDirectory>& directories = signature.codeDirectories;
    const CodeDirectory& primary = directories.first();

    // The directories that vouch for this code: without a signer each one stands alone, so every
    // one is checked; a signer vouches for the primary, and for the others only when it lists them.
    SignedCode result;
    QList<const CodeDirectory*> vouched{&primary};
    if (signature.cms.isEmpty()) {
        if (!primary.isAdhoc())
            CodeSignatureFault::raise(errSignatureFailed, QStringLiteral("the signature of ") + what + QStringLiteral(" is missing"));
        for (qsizetype i = 1; i < directories.size(); ++i)
            vouched.append(&directories.at(i));
    } else {
        if (primary.isAdhoc())
            CodeSignatureFault::raise(errSignatureFailed, QStringLiteral("an ad-hoc signature carries a signer"));
        const SignatureTrust::Signer signer = anchors().trust.verify(signature.cms, primary.blob());
        if (signer.cdhashes) {
            if (signer.cdhashes->size() != directories.size())
                CodeSignatureFault::raise(errSignatureFailed, QStringLiteral("the signed list of code directories does not match"));
            for (qsizetype i = 0; i < directories.size(); ++i) {
                if (signer.cdhashes->at(i).left(20) != directories.at(i).cdhash())
                    CodeSignatureFault::raise(errSignatureFailed, QStringLiteral("the signed list of code directories does not match"));
                if (i > 0)
                    vouched.append(&directories.at(i));
            }
        }
        result.chain = signer.chain;
    }
    for (const CodeDirectory* directory : vouched) {
        if (directory->identifier() != primary.identifier() || directory->teamID() != primary.teamID())
            CodeSignatureFault::raise(errSignatureFailed, QStringLiteral("the code directories disagree"));
    }
    if (!result.chain.isEmpty() && primary.teamID()
        && !SignatureTrust::organisationalUnits(result.chain.first().get()).contains(*primary.teamID()))
        CodeSignatureFault::raise(errBadTeamIdentifier, QStringLiteral("the team identifier ") + *primary.teamID()
                                                            + QStringLiteral(" does not match the signing certificate"));

    // Each directory that vouches is checked against everything it binds, and only those are
    // reported: a host's seal of this code may name any of them.
    for (const CodeDirectory* directory : vouched) {
        checkBindings(*directory, signature, file, codeOffset, codeLength, special, what);
        result.cdhashes.append(directory->cdhash());
    }
    result.identifier = primary.identifier();
    result.team = primary.teamID();
    return result;
}

void NativeCodeSigning::checkBindings(const CodeDirectory& directory, const EmbeddedSignature& signature, const CodeBytes& file,
                                      uint64_t codeOffset, size_t codeLength, const SpecialData& special, const QString& what)
{
    directory.verifyCode(file, codeOffset, codeLength, what);
    if (special.bundle) {
        directory.verifySpecialSlot(CodeDirectory::infoSlot, special.infoPlist, errInfoPlistFailed, QStringLiteral("Info.plist"));
        if (special.resources && !directory.hasSpecialSlot(CodeDirectory::resourceDirSlot))
            CodeSignatureFault::raise(errResourcesNotSealed, QStringLiteral("the bundle's resources are not sealed"));
        if (!special.resources && directory.hasSpecialSlot(CodeDirectory::resourceDirSlot))
            CodeSignatureFault::raise(errResourcesNotFound, QStringLiteral("the sealed resource list is missing"));
        directory.verifySpecialSlot(CodeDirectory::resourceDirSlot, special.resources, errResourceDirectoryFailed,
                                    QStringLiteral("the sealed resource list"));
    } else {
        directory.verifySpecialSlot(CodeDirectory::resourceDirSlot, std::nullopt, errResourcesNotFound,
                                    QStringLiteral("the sealed resource list"));
    }
    if (special.trailer) {
        directory.verifySpecialSlot(CodeDirectory::repSpecificSlot, special.trailer->headerWithoutSignature(), errSignatureFailed,
                                    QStringLiteral("the disk image trailer"));
    }
    directory.verifySpecialSlot(CodeDirectory::requirementsSlot, signature.requirements, errSignatureFailed,
                                QStringLiteral("the internal requirements"));
    directory.verifySpecialSlot(CodeDirectory::entitlementsSlot, signature.entitlements, errSignatureFailed,
                                QStringLiteral("the entitlements"));
    directory.verifySpecialSlot(CodeDirectory::derEntitlementsSlot, signature.derEntitlements, errSignatureFailed,
                                QStringLiteral("the entitlements"));
}

} // namespace hub
