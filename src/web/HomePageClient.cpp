#include "web/HomePageClient.h"

#include <charconv>
#include <climits>

namespace kolvane {

namespace {

// The longest line of an answer, not counting its line feed.
constexpr std::size_t LongestLine = 16384;

void InitialiseCurlOnce() {
    static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)initialised;
}

struct HeaderList {
    curl_slist* list = nullptr;
    explicit HeaderList(const std::vector<std::string>& lines) {
        for (const std::string& line : lines)
            list = curl_slist_append(list, line.c_str());
    }
    ~HeaderList() { curl_slist_free_all(list); }
    HeaderList(const HeaderList&) = delete;
    HeaderList& operator=(const HeaderList&) = delete;
};

bool DeclaresBodyLength(const AnswerHead& head) {
    const auto text = head.Value("Content-Length");
    long long length = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), length);
    return error == std::errc() && end == text.data() + text.size() && length > 0;
}

} // namespace

HomePageClient::HomePageClient(std::string_view address, WebLimits limits, Now now)
    : address_(SplitWebAddress(address)), limits_(limits), now_(std::move(now)) {
    InitialiseCurlOnce();
    easy_ = curl_easy_init();
    multi_ = curl_multi_init();
    Configure();
}

HomePageClient::~HomePageClient() {
    curl_multi_cleanup(multi_);
    curl_easy_cleanup(easy_);
}

void HomePageClient::Configure() {
    if (address_)
        curl_easy_setopt(easy_, CURLOPT_URL, address_->Url().c_str());
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(easy_, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(easy_, CURLOPT_IPRESOLVE, CURL_IPRESOLVE_V4);
    curl_easy_setopt(easy_, CURLOPT_PROXY, ""); // no proxy, whatever the environment says
    curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy_, CURLOPT_TCP_NODELAY, 0L);
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits_.connect.count()));
    // An hour passes between exchanges; curl would otherwise give up an idle connection after
    // two minutes.
    curl_easy_setopt(easy_, CURLOPT_MAXAGE_CONN, LONG_MAX);
    // Stopping must not wait for a name lookup to finish.
    curl_easy_setopt(easy_, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &HomePageClient::OnHeaderLine);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &HomePageClient::OnBody);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
}

ExchangeResult HomePageClient::Exchange() {
    if (stopping_)
        return {ExchangeOutcome::Stopped};
    if (!address_)
        return {ExchangeOutcome::BadAddress};

    cookies_.DropExpired(now_());
    const HeaderList headers(RequestHeaderLines(address_->HostHeader(), switches_,
                                                cookies_.CookieLine(address_->host, "/")));
    curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers.list);

    answer_ = AnswerProgress{};
    answer_.lastData = std::chrono::steady_clock::now();
    answer_.idleLimit = limits_.answerIdle;
    int curlCode = CURLE_OK;
    const auto interruption = Transfer(curlCode);
    curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, nullptr);

    if (answer_.closeAfter)
        CloseKeptConnection();
    return Verdict(interruption, curlCode);
}

// Runs the transfer until it ends, the answer stalls past its limit or Stop is called.
std::optional<ExchangeOutcome> HomePageClient::Transfer(int& curlCode) {
    using namespace std::chrono;
    std::optional<ExchangeOutcome> interruption;
    curl_multi_add_handle(multi_, easy_);
    for (;;) {
        int running = 0;
        curl_multi_perform(multi_, &running);
        if (running == 0)
            break;
        if (stopping_) {
            interruption = ExchangeOutcome::Stopped;
            break;
        }
        const auto idle = duration_cast<milliseconds>(steady_clock::now() - answer_.lastData);
        if (idle >= answer_.idleLimit) {
            interruption = ExchangeOutcome::TimedOut;
            break;
        }
        curl_multi_poll(multi_, nullptr, 0, static_cast<int>((answer_.idleLimit - idle).count()),
                        nullptr);
    }
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &queued))
        if (message->msg == CURLMSG_DONE)
            curlCode = message->data.result;
    // Taking the handle out of the middle of a transfer closes its connection.
    curl_multi_remove_handle(multi_, easy_);
    return interruption;
}

ExchangeResult HomePageClient::Verdict(std::optional<ExchangeOutcome> interruption,
                                       int curlCode) const {
    ExchangeResult result;
    result.bodyBytes = answer_.bodyBytes;
    if (answer_.finalHeadRead || answer_.kind == AnswerKind::Interim)
        result.status = answer_.head.StatusCode();
    if (interruption)
        result.outcome = *interruption;
    else if (answer_.lineTooLong)
        result.outcome = ExchangeOutcome::LineTooLong;
    else if (answer_.kind == AnswerKind::Interim)
        result.outcome = ExchangeOutcome::ErrorAnswer;
    else if (!answer_.finalHeadRead)
        result.outcome = ExchangeOutcome::TransportFailed;
    else if (answer_.kind == AnswerKind::Redirect)
        result.outcome = ExchangeOutcome::Redirected;
    else if (answer_.kind == AnswerKind::Error)
        result.outcome = ExchangeOutcome::ErrorAnswer;
    else {
        // A body that ends early by its length ends there; a broken chunked body fails.
        const bool endedEarly = curlCode == CURLE_PARTIAL_FILE && DeclaresBodyLength(answer_.head);
        result.outcome = curlCode == CURLE_OK || endedEarly ? ExchangeOutcome::Succeeded
                                                            : ExchangeOutcome::TransportFailed;
    }
    return result;
}

std::size_t HomePageClient::OnHeaderLine(char* data, std::size_t size, std::size_t count,
                                         void* self) {
    const std::size_t length = size * count;
    const bool goOn = static_cast<HomePageClient*>(self)->TakeHeaderLine({data, length});
    return goOn ? length : 0;
}

std::size_t HomePageClient::OnBody(char*, std::size_t size, std::size_t count, void* self) {
    auto& answer = static_cast<HomePageClient*>(self)->answer_;
    answer.lastData = std::chrono::steady_clock::now();
    answer.bodyBytes += size * count;
    return size * count;
}

// Called on the exchange's thread with each line of an answer's head, line end included.
bool HomePageClient::TakeHeaderLine(std::string_view line) {
    answer_.lastData = std::chrono::steady_clock::now();
    if (line.ends_with('\n'))
        line.remove_suffix(1);
    if (line.size() > LongestLine) {
        answer_.lineTooLong = true;
        return false;
    }
    if (line.ends_with('\r'))
        line.remove_suffix(1);
    if (!line.empty()) {
        answer_.head.AddLine(line);
        return true;
    }
    EndOfHead();
    if (answer_.kind == AnswerKind::Continue)
        answer_.head = AnswerHead{};
    // Any other interim answer fails the exchange; it has no body to drain.
    return answer_.kind != AnswerKind::Interim;
}

void HomePageClient::EndOfHead() {
    const AnswerHead& head = answer_.head;
    const std::time_t now = now_();
    for (const auto value : head.Values("Set-Cookie"))
        cookies_.TakeSetCookie(value, address_->host, now);
    for (const auto value : head.Values("Set-Cookie2"))
        cookies_.TakeSetCookie2(value, address_->host, now);

    answer_.kind = ClassifyAnswer(head);
    if (answer_.kind == AnswerKind::Continue || answer_.kind == AnswerKind::Interim)
        return;
    answer_.finalHeadRead = true;
    answer_.closeAfter = SaysClose(head);
    const BasicSwitches offered = SwitchesFrom(head);
    switches_.authorization = switches_.authorization || offered.authorization;
    switches_.proxyAuthorization = switches_.proxyAuthorization || offered.proxyAuthorization;
    if (answer_.kind == AnswerKind::Redirect || answer_.kind == AnswerKind::Error)
        answer_.idleLimit = limits_.errorBodyIdle;
}

// curl closes on "Connection: close" by itself but keeps the connection after
// "Proxy-Connection: close" when no proxy is in use; closing the whole cache covers both.
void HomePageClient::CloseKeptConnection() {
    std::lock_guard lock(multiMutex_);
    curl_multi_cleanup(multi_);
    multi_ = curl_multi_init();
}

void HomePageClient::Stop() {
    std::lock_guard lock(multiMutex_);
    stopping_ = true;
    curl_multi_wakeup(multi_);
}

} // namespace kolvane
