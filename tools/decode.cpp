#include "tools/decode.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>

#include "tools/ais_json.h"
#include "tools/store_json.h"

namespace pelyx::tools {

DecodeSession::DecodeSession(JsonWriter& out) : out_(out) {
  assembler_.SetLog(this);
  assembler_.AddConsumer(&intake_);
  assembler_.AddConsumer(this);
  intake_.SetHandoff(this);
}

void DecodeSession::SetAisOutput(AisOutput* ais) {
  ais_ = ais;
  intake_.SetAisStage(ais != nullptr ? &ais->Stage() : nullptr);
}

void DecodeSession::Feed(const char* data, size_t size) {
  assembler_.Feed(data, size);
  // A line still open went to the log only: it was too long for the consumers.
  if (lineOpen_) CloseLine(false);
}

// The log sees a line before the consumers, so the object opens here with the keys the
// log knows and is closed once the intake had the line, or by the next line when the
// line was too long to reach the intake.
void DecodeSession::AppendLine(std::string_view text) {
  if (lineOpen_) CloseLine(false);
  ++lineNumber_;
  out_.BeginObject();
  out_.Key("line");
  out_.Uint(lineNumber_);
  out_.Key("text");
  out_.String(text);
  lineOpen_ = true;
}

void DecodeSession::TakeLine(std::string_view /*line*/) {
  CloseLine(true);
}

void DecodeSession::CloseLine(bool reachedIntake) {
  bool decoded = reachedIntake && intake_.LastDecoded();
  bool handled = reachedIntake && intake_.LastHandled();
  out_.Key("decoded");
  out_.Bool(decoded);
  out_.Key("handled");
  out_.Bool(handled);
  if (decoded) {
    const SentenceRecord& record = intake_.IntakeRecord();
    out_.Key("talker");
    out_.String(std::string_view(record.talker, strnlen(record.talker, sizeof record.talker)));
    out_.Key("formatter");
    out_.String(
        std::string_view(record.formatter, strnlen(record.formatter, sizeof record.formatter)));
    // Only a $PTSK,c,... sentence carries a direction letter.
    if (record.directionLetter != '\0') {
      out_.Key("direction");
      out_.Char(record.directionLetter);
    }
    if (ais_ != nullptr) ais_->AppendLineKeys(out_);
  }
  out_.EndObject();
  out_.EndLine();
  lineOpen_ = false;
}

void DecodeSession::CountReception(const char* formatter, char channel) {
  if (ais_ != nullptr) ais_->CountReception(formatter, channel);
}

ReceptionCounts DecodeSession::Reception() const {
  return ais_ != nullptr ? ais_->Reception() : ReceptionCounts{};
}

void DecodeSession::AppendStoresSummary() {
  ReceptionCounts reception = Reception();
  out_.BeginObject();
  out_.Key("stores");
  AppendStores(out_, stores_);
  out_.Key("reception");
  out_.BeginObject();
  out_.Key("channelA");
  out_.Uint(reception.channelA);
  out_.Key("channelB");
  out_.Uint(reception.channelB);
  out_.EndObject();
  out_.EndObject();
  out_.EndLine();
}

namespace {

constexpr size_t kReadChunk = 1 << 20;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// Feeds the whole of `file` to the session; false when reading failed.
bool FeedFile(std::FILE* file, DecodeSession& session, JsonWriter& json, std::FILE* out,
              bool& writeFailed, char* chunk) {
  for (;;) {
    size_t n = std::fread(chunk, 1, kReadChunk, file);
    if (n > 0) {
      session.Feed(chunk, n);
      if (!json.FlushIfFull(out)) writeFailed = true;
    }
    if (n < kReadChunk) return std::ferror(file) == 0;
  }
}

void Usage(std::FILE* err) {
  std::fputs(
      "usage: pelyx decode [--stores] [--targets] [--now \"YYYY-MM-DD hh:mm:ss\"] [FILE...]\n",
      err);
}

}  // namespace

int RunDecode(std::span<const char* const> args, std::FILE* in, std::FILE* out, std::FILE* err) {
  bool stores = false;
  bool targets = false;
  const char* now = nullptr;
  bool endOfOptions = false;
  size_t first = 0;
  for (; first < args.size(); ++first) {
    std::string_view arg = args[first];
    if (endOfOptions || arg == "-" || arg.empty() || arg[0] != '-') break;
    if (arg == "--") {
      endOfOptions = true;
    } else if (arg == "--stores") {
      stores = true;
    } else if (arg == "--targets") {
      targets = true;
    } else if (arg == "--now" && first + 1 < args.size()) {
      now = args[++first];
    } else {
      std::fprintf(err, "pelyx decode: unknown option '%s'\n", args[first]);
      Usage(err);
      return 1;
    }
  }
  std::span<const char* const> files = args.subspan(first);

  // The target table stamps stations with the local time; --now fixes it, so that the
  // output of a recording is the same on every run.
  ais::SystemClock systemClock;
  ais::LocalTime fixedTime{};
  if (now != nullptr && !ParseLocalTime(now, fixedTime)) {
    std::fprintf(err, "pelyx decode: --now wants \"YYYY-MM-DD hh:mm:ss\", not '%s'\n", now);
    return 1;
  }
  FixedClock fixedClock(fixedTime);
  ais::Clock& clock = now != nullptr ? static_cast<ais::Clock&>(fixedClock) : systemClock;
  auto ais = std::make_unique<AisJsonOutput>(clock);

  JsonWriter json;
  DecodeSession session(json);
  session.SetAisOutput(ais.get());
  auto chunk = std::make_unique<char[]>(kReadChunk);
  int status = 0;
  bool writeFailed = false;

  auto readFrom = [&](std::FILE* file, const char* name) {
    if (!FeedFile(file, session, json, out, writeFailed, chunk.get())) {
      std::fprintf(err, "pelyx decode: cannot read %s: %s\n", name, std::strerror(errno));
      status = 2;
    }
  };
  if (files.empty()) {
    readFrom(in, "standard input");
  } else {
    for (const char* name : files) {
      if (std::string_view(name) == "-") {
        readFrom(in, "standard input");
        continue;
      }
      std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name, "rb"));
      if (!file) {
        std::fprintf(err, "pelyx decode: cannot open %s: %s\n", name, std::strerror(errno));
        status = 2;
        continue;
      }
      readFrom(file.get(), name);
    }
  }

  if (stores) session.AppendStoresSummary();
  if (targets) {
    json.BeginObject();
    json.Key("targets");
    ais->AppendTargets(json);
    json.EndObject();
    json.EndLine();
  }
  if (!json.Flush(out) || std::fflush(out) != 0) writeFailed = true;
  if (writeFailed) {
    std::fputs("pelyx decode: cannot write the output\n", err);
    return 1;
  }
  return status;
}

}  // namespace pelyx::tools
