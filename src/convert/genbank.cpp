// GenBank flat files: the header lines of a record up to FEATURES, the
// feature table (key at column 6, location and qualifiers from column 22),
// then ORIGIN with the sequence, and "//" at the end of the record.
#include "convert/genbank.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "util/errors.h"

namespace tamsu::detail {

namespace {

constexpr size_t kQualifierColumn = 21;

bool isFeatureKeyLine(const std::string& line) {
    return line.size() > 5 && line.compare(0, 5, "     ") == 0 && line[5] != ' ';
}

bool isContinuationLine(const std::string& line) {
    return line.size() > kQualifierColumn && line.find_first_not_of(' ') >= kQualifierColumn;
}

std::string firstWord(const std::string& line, size_t from) {
    const size_t start = line.find_first_not_of(' ', from);
    if (start == std::string::npos) return {};
    const size_t end = line.find_first_of(" \t", start);
    return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

bool parseGenBankLocation(const std::string& location, std::vector<std::pair<long long, long long>>& parts,
                          char& strand) {
    parts.clear();
    strand = location.find("complement") != std::string::npos ? '-' : '+';
    size_t i = 0;
    while (i < location.size()) {
        // A range of another record ("X12345.1:1..10") is no part of this one.
        const size_t comma = location.find(',', i);
        const size_t end = comma == std::string::npos ? location.size() : comma;
        const std::string item = location.substr(i, end - i);
        i = end + 1;
        if (item.find(':') != std::string::npos) continue;
        long long numbers[2] = {0, 0};
        int count = 0;
        for (size_t k = 0; k < item.size() && count < 2;) {
            if (std::isdigit(static_cast<unsigned char>(item[k]))) {
                long long value = 0;
                while (k < item.size() && std::isdigit(static_cast<unsigned char>(item[k])) && value < (1LL << 50))
                    value = value * 10 + (item[k++] - '0');
                numbers[count++] = value;
            } else {
                ++k;
            }
        }
        if (count == 0 || numbers[0] < 1) continue;
        // "a^b" is a site between two bases: the first one stands for it.
        const bool site = item.find('^') != std::string::npos;
        const long long from = numbers[0], to = count == 2 && !site ? numbers[1] : numbers[0];
        parts.emplace_back(std::min(from, to), std::max(from, to));
    }
    // complement(join(a,b)) lists the ranges along the forward strand.
    if (strand == '-' && location.starts_with("complement(")) std::reverse(parts.begin(), parts.end());
    return !parts.empty();
}

bool GenBankReader::nextLine() {
    if (havePending_) {
        havePending_ = false;
        return true;
    }
    if (eof_ || !file_.next(line_)) {
        eof_ = true;
        return false;
    }
    return true;
}

long long GenBankReader::regionLength(const std::string& seqid) const {
    auto found = lengths_.find(seqid);
    return found == lengths_.end() ? 0 : found->second;
}

// At a LOCUS line: the record's name and length; the header lines up to
// FEATURES (or the record's end) give its accession and version.
void GenBankReader::startRecord() {
    const int locusLine = file_.lineNumber();
    locusName_ = firstWord(line_, 5);
    length_ = 0;
    std::sscanf(line_.c_str() + std::min(line_.size(), line_.find(locusName_) + locusName_.size()), "%lld", &length_);
    accession_.clear();
    version_.clear();
    while (nextLine()) {
        if (line_.starts_with("ACCESSION"))
            accession_ = firstWord(line_, 9);
        else if (line_.starts_with("VERSION"))
            version_ = firstWord(line_, 7);
        else if (line_.starts_with("FEATURES") || line_.starts_with("ORIGIN") || line_.starts_with("//") ||
                 line_.starts_with("LOCUS ")) {
            havePending_ = !line_.starts_with("FEATURES");
            inFeatures_ = line_.starts_with("FEATURES");
            break;
        }
    }
    seqid_ = !version_.empty() ? version_ : !accession_.empty() ? accession_ : locusName_;
    if (seqid_.empty()) fail(Stream::err, "error: %s line %d: LOCUS line without a name\n", path().c_str(), locusLine);
    if (std::find(regions_.begin(), regions_.end(), seqid_) == regions_.end()) regions_.push_back(seqid_);
    if (length_ > 0) lengths_[seqid_] = length_;
}

// The lines after the features: ORIGIN's sequence up to "//".
void GenBankReader::skipRecordRest() {
    std::string* sequence = nullptr;
    while (nextLine()) {
        if (line_.starts_with("//")) return;
        if (line_.starts_with("LOCUS ")) {
            havePending_ = true;
            return;
        }
        if (line_.starts_with("ORIGIN")) {
            sequence = &sequences_[seqid_];
            sequence->clear();
            continue;
        }
        if (sequence != nullptr && !line_.empty() && line_[0] == ' ')
            for (char c : line_)
                if (std::isalpha(static_cast<unsigned char>(c)))
                    sequence->push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    }
}

// line_ is the feature's key line: its location (over continuation lines up
// to the first qualifier) and its qualifiers.
void GenBankReader::readFeature(GffFeature& feature) {
    feature.seqid = seqid_;
    feature.type = firstWord(line_, 5);
    feature.line = file_.lineNumber();
    feature.attributes.clear();
    feature.phase = 0;
    std::string location = line_.size() > kQualifierColumn ? line_.substr(kQualifierColumn) : std::string();
    bool inLocation = true;
    bool openQuote = false;
    std::string* value = nullptr;
    bool joinTight = false;
    while (nextLine()) {
        if (!isContinuationLine(line_)) {
            havePending_ = true;
            break;
        }
        const std::string text = line_.substr(kQualifierColumn);
        if (openQuote && value != nullptr) {
            if (!joinTight && !value->empty()) value->push_back(' ');
            value->append(text);
        } else if (text[0] == '/') {
            inLocation = false;
            const size_t equals = text.find('=');
            feature.attributes.emplace_back(
                text.substr(1, equals == std::string::npos ? std::string::npos : equals - 1),
                equals == std::string::npos ? std::string() : text.substr(equals + 1));
            value = &feature.attributes.back().second;
            joinTight = feature.attributes.back().first == "translation";
            openQuote = false;
        } else if (inLocation) {
            location += text;
            continue;
        } else if (value != nullptr) {
            value->append(text);
        }
        // A quoted value goes on until its closing quote ("" is a quote inside).
        if (value != nullptr && !value->empty() && (*value)[0] == '"') {
            size_t quotes = 0;
            for (size_t k = 1; k < value->size(); ++k) quotes += (*value)[k] == '"' ? 1 : 0;
            openQuote = quotes % 2 == 0;
        }
    }
    location.erase(std::remove(location.begin(), location.end(), ' '), location.end());
    for (auto& [key, text] : feature.attributes) {
        if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
            text = text.substr(1, text.size() - 2);
        else if (!text.empty() && text.front() == '"')
            text.erase(0, 1);
        for (size_t k = text.find("\"\""); k != std::string::npos; k = text.find("\"\"", k + 1)) text.erase(k, 1);
        if (key == "codon_start" && (text == "2" || text == "3")) feature.phase = text[0] - '1';
    }
    if (!parseGenBankLocation(location, feature.parts, feature.strand))
        fail(Stream::err, "error: %s line %d: feature location \"%s\" holds no position\n", path().c_str(),
             feature.line, location.c_str());
    // The span along the forward strand; across the origin it ends after the length.
    std::vector<std::pair<long long, long long>> forward = feature.parts;
    if (feature.strand == '-') std::reverse(forward.begin(), forward.end());
    bool wraps = false;
    for (size_t k = 1; k < forward.size(); ++k) wraps = wraps || forward[k].first < forward[k - 1].first;
    if (wraps && length_ > 0) {
        feature.start = forward.front().first;
        feature.end = length_ + forward.back().second;
    } else {
        feature.start = feature.parts.front().first;
        feature.end = feature.parts.front().second;
        for (const auto& [from, to] : feature.parts) {
            feature.start = std::min(feature.start, from);
            feature.end = std::max(feature.end, to);
        }
    }
    if (feature.parts.size() == 1) feature.parts.clear();
}

bool GenBankReader::next(GffFeature& feature) {
    while (nextLine()) {
        if (line_.starts_with("LOCUS ")) {
            startRecord();
            continue;
        }
        if (seqid_.empty()) {
            if (line_.find_first_not_of(" \t") == std::string::npos) continue;
            fail(Stream::err, "error: %s line %d: a GenBank record starts with a LOCUS line\n", path().c_str(),
                 file_.lineNumber());
        }
        if (!inFeatures_) {
            // Between records, or a record without features.
            if (line_.starts_with("//")) seqid_.clear();
            continue;
        }
        if (isFeatureKeyLine(line_)) {
            readFeature(feature);
            return true;
        }
        if (isContinuationLine(line_)) continue;  // a stray continuation line
        // The end of the feature table: ORIGIN, BASE COUNT, CONTIG or "//".
        inFeatures_ = false;
        havePending_ = true;
        skipRecordRest();
        seqid_.clear();
    }
    return false;
}

void GenBankReader::readSequences(std::unordered_map<std::string, std::string>& sequences) {
    GffFeature rest;
    while (next(rest)) {
    }
    for (auto& [id, sequence] : sequences_)
        if (!sequence.empty()) sequences[id] = std::move(sequence);
    sequences_.clear();
}

}  // namespace tamsu::detail
