#include "app/views/settings/SettingsPresenter.h"

#include "app/model/Beta.h"

#include <QDir>
#include <unicode/ucurr.h>

namespace hub {

QString SettingsPresenter::currencyName(const QString& code, const QString& locale)
{
    if (code.size() != 3)
        return {};
    const std::u16string iso = code.toUpper().toStdU16String();
    UErrorCode status = U_ZERO_ERROR;
    UBool isChoiceFormat = false;
    int32_t length = 0;
    // The C locale has no names of its own: English ones stand in.
    const QByteArray where = locale.isEmpty() || locale == u"C" ? QByteArrayLiteral("en") : locale.toLatin1();
    const UChar* name = ucurr_getName(iso.c_str(), where.constData(), UCURR_LONG_NAME, &isChoiceFormat,
                                      &length, &status);
    // ICU answers an unknown code with the code itself.
    if (U_FAILURE(status) || !name || status == U_USING_DEFAULT_WARNING)
        return {};
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(name), length);
    return text.compare(code, Qt::CaseInsensitive) == 0 ? QString() : text;
}

QString SettingsPresenter::shortPath(const QString& path, const QString& home)
{
    const QString clean = QDir::cleanPath(path);
    const QString root = QDir::cleanPath(home);
    if (root.isEmpty() || root == u"/")
        return clean;
    if (clean == root)
        return QStringLiteral("~");
    if (clean.startsWith(root + u'/'))
        return u'~' + clean.mid(root.size());
    return clean;
}

SettingsPresenter::Screen SettingsPresenter::present(const Input& input)
{
    Screen screen;
    screen.version = Beta::version(input.info);
    const QStringList codes = input.enabledCurrencies.value_or(fallbackCurrencies);
    for (const QString& code : codes) {
        const QString name = currencyName(code, input.locale);
        screen.currencies.append({code, name.isEmpty() ? code : code + QStringLiteral(" \u2013 ") + name});
        if (code == input.currency && screen.selected < 0)
            screen.selected = int(screen.currencies.size() - 1);
    }
    screen.backgroundEnabled = input.autoUpdate && input.backgroundAvailable;
    screen.backgroundNote = input.backgroundAvailable ? input.backgroundProblem : noServiceManager;
    screen.installsEnabled = input.checksAutomatically;
    const QString unknown = QStringLiteral("Not available");
    screen.plugInsFolder = input.destinations.plugIns.isEmpty() ? unknown : shortPath(input.destinations.plugIns, input.home);
    screen.appsFolder = input.destinations.apps.isEmpty() ? unknown : shortPath(input.destinations.apps, input.home);
    return screen;
}

} // namespace hub
