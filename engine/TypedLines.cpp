#include "engine/TypedLines.h"

#include "engine/IsoDates.h"
#include "engine/JsonText.h"
#include "engine/Utf8Text.h"

JsonLineWriter::JsonLineWriter(const Fields& columns, const ColumnPlan& plan, AttachmentFolder* attachments)
    : plan_(plan), attachments_(attachments) {
    for (const int32_t i : plan.Exported) {
        std::string key = keys_.empty() ? "{" : ",";
        counts_.CharactersReplaced += AppendJsonString(columns.Item(i).Name(), key);
        key += ':';
        keys_.push_back(std::move(key));
    }
}

void JsonLineWriter::Write(const Fields& values, int64_t row, std::string& out) {
    if (keys_.empty())
        out += '{';
    const AttachmentTarget target{attachments_, row};
    for (std::size_t k = 0; k < keys_.size(); ++k) {
        out += keys_[k];
        AppendJsonValue(values.Item(plan_.Exported[k]), target, out, counts_);
    }
    out += "}\n";
}

PortableLineWriter::PortableLineWriter(const ConversionSettings& settings, const ColumnPlan& plan,
                                       std::vector<bool> datesWithTime, AttachmentFolder* attachments)
    : settings_(settings), plan_(plan), datesWithTime_(std::move(datesWithTime)), attachments_(attachments),
      quoteAlways_(settings.QuotesAsked != 0 && settings.DoubleQuotes != 0) {}

std::string PortableLineWriter::Header(const Fields& columns) const {
    std::string line;
    if (!settings_.Header)
        return line;
    std::string name;
    for (std::size_t k = 0; k < plan_.Exported.size(); ++k) {
        if (k != 0)
            line += settings_.Fields.str();
        name.clear();
        AppendUtf8(columns.Item(plan_.Exported[k]).Name(), name);
        AppendCsvField(name, settings_.Fields, quoteAlways_, line);
    }
    line += settings_.Records.str();
    return line;
}

void PortableLineWriter::Write(const Fields& values, int64_t row, std::string& out) {
    const AttachmentTarget target{attachments_, row};
    for (std::size_t k = 0; k < plan_.Exported.size(); ++k) {
        if (k != 0)
            out += settings_.Fields.str();
        const auto column = static_cast<std::size_t>(plan_.Exported[k]);
        const bool withTime = column >= datesWithTime_.size() || datesWithTime_[column];
        // Written in place; the few fields that need quotes are moved into them.
        const std::size_t at = out.size();
        if (!AppendPortableText(values.Item(plan_.Exported[k]), withTime, settings_.Binary, target, out, counts_)) {
            out.resize(at); // NULL, and a value with no text, is an empty field, never quoted
            continue;
        }
        const std::string_view field = std::string_view(out).substr(at);
        if (quoteAlways_ || CsvFieldNeedsQuotes(field, settings_.Fields)) {
            text_.assign(field);
            out.resize(at);
            AppendCsvField(text_, settings_.Fields, quoteAlways_, out);
        }
    }
    out += settings_.Records.str();
}

std::vector<bool> DateColumnsWithTimes(Recordset& records, const Fields& columns, const ColumnPlan& plan) {
    std::vector<bool> withTime(static_cast<std::size_t>(plan.Count), false);
    std::vector<int32_t> dates;
    for (const int32_t i : plan.Exported)
        if (columns.Item(i).Type() == DaoType::Date)
            dates.push_back(i);
    if (dates.empty())
        return withTime;
    records.MoveFirst();
    while (!records.Eof() && !dates.empty()) {
        const Fields& values = records.GetFields();
        for (std::size_t k = 0; k < dates.size();) {
            const Variant& value = values.Item(dates[k]).Value();
            if (value.Type == VarType::Date && !IsMidnight(value.R8)) {
                withTime[static_cast<std::size_t>(dates[k])] = true;
                dates.erase(dates.begin() + static_cast<std::ptrdiff_t>(k)); // settled: no need to look again
            } else {
                ++k;
            }
        }
        records.MoveNext();
    }
    return withTime;
}
