#include "app/views/kit/ProgressPresenter.h"

#include "app/views/kit/SymbolName.h"
#include "kit/support/ByteCountFormatter.h"

namespace hub {

using Kind = InstallStage::Kind;

QString ProgressPresenter::caption(const InstallStage& stage)
{
    switch (stage.kind) {
    case Kind::resolving: return QStringLiteral("Starting");
    case Kind::downloading: return QStringLiteral("Downloading");
    case Kind::verifying: return QStringLiteral("Checking signatures");
    case Kind::installing: return QStringLiteral("Installing");
    default: return {};
    }
}

std::optional<double> ProgressPresenter::fraction(const InstallStage& stage)
{
    if (stage.kind != Kind::downloading || stage.expected <= 0)
        return std::nullopt;
    return std::min(1.0, double(stage.received) / double(stage.expected));
}

ProgressPresenter::Line ProgressPresenter::line(const InstallStage& stage, std::optional<double> fraction)
{
    Line line;
    switch (stage.kind) {
    case Kind::queued:
        line.text = QStringLiteral("Waiting");
        line.symbol = "clock"_symbol;
        break;
    case Kind::resolving:
        line.look = Look::spinner;
        line.text = QStringLiteral("Requesting a download link");
        line.tone = Tone::primary;
        break;
    case Kind::downloading:
        line.look = Look::bar;
        line.fraction = fraction.value_or(0);
        line.bytes = ByteCountFormatter::fileString(stage.received) + QStringLiteral(" of ")
            + ByteCountFormatter::fileString(stage.expected);
        break;
    case Kind::paused:
        line.text = QStringLiteral("Paused");
        line.symbol = "pause.circle"_symbol;
        break;
    case Kind::verifying:
    case Kind::installing:
        line.look = Look::spinner;
        line.text = stage.kind == Kind::verifying ? QStringLiteral("Checking signatures") : QStringLiteral("Installing");
        line.tone = Tone::primary;
        break;
    case Kind::installed:
        line.text = QStringLiteral("Done");
        line.symbol = "checkmark.seal.fill"_symbol;
        line.tone = Tone::green;
        break;
    case Kind::failed:
        line.text = stage.message;
        line.symbol = "xmark.octagon.fill"_symbol;
        line.tone = Tone::red;
        line.maxLines = 4;
        line.selectable = true;
        break;
    }
    return line;
}

} // namespace hub
