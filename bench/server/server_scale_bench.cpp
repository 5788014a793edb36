// The reference chat server with 1,000 and 3,000 connected clients (or the counts given), beside Debian's IRC server
// ngircd with a channel of the same size, in the same run:
//   - joining: how long until every client is in the room (each join is announced to everyone);
//   - memory per idle client: the server's resident memory with everyone in, less before, per client;
//   - one message to all: the time until the last client has it, median and 99th percentile of rounds;
//   - sustained: messages relayed to everyone per second, with a fixed number of messages on the way,
//     each sent by the next client in turn.
// The clients are plain non-blocking sockets on one epoll in this process; the servers run as
// processes of their own. Usage: server_scale_bench LIVEHELP_SERVER NGIRCD [CLIENTS...]
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::vector<pid_t> &servers()
{
    static std::vector<pid_t> running;
    return running;
}

[[noreturn]] void fail(const std::string &what)
{
    std::fprintf(stderr, "server_scale_bench: %s\n", what.c_str());
    for (const pid_t pid : servers())
        kill(pid, SIGTERM);
    std::exit(1);
}

// How one server's protocol looks from a client.
struct Protocol {
    std::string name;
    std::string lineEnd;
    std::function<std::string(int client)> join;              // what a client sends to get in
    std::function<bool(std::string_view line)> joined;         // the line that says it is in
    std::function<std::string(const std::string &text)> message;
    std::function<std::optional<std::string_view>(std::string_view line)> messageText; // of a relayed message
};

Protocol livehelpProtocol()
{
    return {
        "livehelp-server",
        std::string(1, '\x04'),
        [](int client) { return "CON\x02u" + std::to_string(client) + '\x04'; },
        [](std::string_view line) { return line.substr(0, 4) == "LST\x02"; },
        [](const std::string &text) { return "MSG\x02x\x02" + text + '\x04'; },
        [](std::string_view line) -> std::optional<std::string_view> {
            if (line.substr(0, 4) != "MSG\x02")
                return std::nullopt;
            const size_t separator = line.find('\x02', 4);
            if (separator == std::string_view::npos)
                return std::nullopt;
            return line.substr(separator + 1);
        },
    };
}

Protocol ircProtocol()
{
    return {
        "ngircd",
        "\r\n",
        [](int client) {
            const std::string nick = "u" + std::to_string(client);
            return "NICK " + nick + "\r\nUSER " + nick + " 0 * :bench\r\nJOIN #help\r\n";
        },
        [](std::string_view line) { return line.find(" 366 ") != std::string_view::npos; }, // end of the names list
        [](const std::string &text) { return "PRIVMSG #help :" + text + "\r\n"; },
        [](std::string_view line) -> std::optional<std::string_view> {
            const size_t at = line.find(" PRIVMSG #help :");
            if (at == std::string_view::npos)
                return std::nullopt;
            return line.substr(at + 16);
        },
    };
}

struct Connection {
    int fd = -1;
    std::string input;
    std::string output;
    bool joined = false;
};

// The clients of one run, on one epoll.
class Crowd {
public:
    Crowd(const Protocol &protocol, int port, int count) : protocol_(protocol), port_(port)
    {
        epoll_ = epoll_create1(0);
        connections_.resize(count);
    }

    ~Crowd()
    {
        for (Connection &c : connections_) {
            if (c.fd < 0)
                continue;
            // Reset rather than close, so thousands of ports are not left waiting in TIME_WAIT.
            linger abortive{1, 0};
            setsockopt(c.fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
            close(c.fd);
        }
        close(epoll_);
    }

    int size() const { return int(connections_.size()); }

    // Connects everyone, a few at a time as a patient crowd would (ngircd listens with a backlog
    // of 10 and takes one connection per turn), and waits until all are in the room.
    void joinAll()
    {
        constexpr int kJoiningAtOnce = 8;
        int opened = 0;
        auto deadline = Clock::now() + std::chrono::seconds(60);
        while (joinedCount_ < size()) {
            while (opened < size() && opened - joinedCount_ < kJoiningAtOnce)
                open(opened++);
            const int before = joinedCount_;
            poll(100);
            if (joinedCount_ > before)
                deadline = Clock::now() + std::chrono::seconds(60);
            else if (Clock::now() > deadline)
                fail(protocol_.name + ": only " + std::to_string(joinedCount_) + " of " + std::to_string(size()) + " clients got in");
        }
    }

    void send(int client, const std::string &bytes)
    {
        Connection &c = connections_[client];
        c.output += bytes;
        flush(client);
    }

    // Waits up to `ms` for input and handles it.
    void poll(int ms)
    {
        epoll_event events[512];
        const int n = epoll_wait(epoll_, events, 512, ms);
        for (int e = 0; e < n; ++e) {
            const int client = int(events[e].data.u32);
            if (events[e].events & EPOLLOUT)
                flush(client);
            if (events[e].events & (EPOLLIN | EPOLLHUP | EPOLLERR))
                readFrom(client);
        }
    }

    // Called with each relayed message a client receives.
    std::function<void(int client, std::string_view text)> onMessage;

private:
    void open(int client)
    {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        if (fd < 0)
            fail(std::string("socket: ") + std::strerror(errno));
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(uint16_t(port_));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) < 0 && errno != EINPROGRESS)
            fail(std::string("connect: ") + std::strerror(errno));
        connections_[client].fd = fd;
        epoll_event event{};
        event.events = EPOLLIN | EPOLLOUT | EPOLLET;
        event.data.u32 = uint32_t(client);
        epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event);
        send(client, protocol_.join(client));
    }

    void flush(int client)
    {
        Connection &c = connections_[client];
        while (!c.output.empty()) {
            const ssize_t written = ::send(c.fd, c.output.data(), c.output.size(), MSG_NOSIGNAL);
            if (written <= 0)
                return; // EPOLLOUT comes back when there is room
            c.output.erase(0, size_t(written));
        }
    }

    void readFrom(int client)
    {
        Connection &c = connections_[client];
        char buffer[65536];
        for (;;) {
            const ssize_t got = recv(c.fd, buffer, sizeof buffer, 0);
            if (got == 0)
                fail(protocol_.name + " closed the connection of client " + std::to_string(client));
            if (got < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK)
                    break;
                fail(protocol_.name + ": " + std::strerror(errno));
            }
            c.input.append(buffer, size_t(got));
        }
        size_t start = 0;
        for (size_t end; (end = c.input.find(protocol_.lineEnd, start)) != std::string::npos; start = end + protocol_.lineEnd.size()) {
            const std::string_view line(c.input.data() + start, end - start);
            if (!c.joined && protocol_.joined(line)) {
                c.joined = true;
                ++joinedCount_;
            } else if (line.substr(0, 5) == "PING ") {
                send(client, "PONG " + std::string(line.substr(5)) + "\r\n");
            } else if (const auto text = protocol_.messageText(line); text && onMessage) {
                onMessage(client, *text);
            }
        }
        c.input.erase(0, start);
    }

    const Protocol &protocol_;
    int port_;
    int epoll_;
    std::vector<Connection> connections_;
    int joinedCount_ = 0;
};

long residentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return 0;
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[at];
}

struct Figures {
    double joinSeconds = 0;
    double kibPerClient = 0;
    double lastMedianMs = 0;
    double lastP99Ms = 0;
    double messagesPerSecond = 0;
};

Figures measure(const Protocol &protocol, pid_t server, int port, int clients)
{
    Figures figures;
    const long before = residentKiB(server);
    Crowd crowd(protocol, port, clients);
    const auto joinStart = Clock::now();
    crowd.joinAll();
    figures.joinSeconds = msSince(joinStart) / 1000;
    // Let the last announcements of joins drain before the server is measured idle.
    for (const auto quiet = Clock::now(); msSince(quiet) < 1000;)
        crowd.poll(50);
    figures.kibPerClient = double(residentKiB(server) - before) / clients;

    // One message to all, round after round, each from another client.
    constexpr int kRounds = 50;
    std::vector<double> lastArrivals;
    int arrived = 0;
    int sender = 0;
    std::string expected;
    crowd.onMessage = [&](int client, std::string_view text) {
        if (client != sender && text == expected)
            ++arrived;
    };
    for (int round = 0; round < kRounds; ++round) {
        expected = "round" + std::to_string(round);
        arrived = 0;
        sender = round % clients;
        const auto start = Clock::now();
        crowd.send(sender, protocol.message(expected));
        while (arrived < clients - 1) {
            crowd.poll(1000);
            if (msSince(start) > 60000)
                fail(protocol.name + ": a message did not reach everyone within a minute");
        }
        lastArrivals.push_back(msSince(start));
    }
    figures.lastMedianMs = percentile(lastArrivals, 0.5);
    figures.lastP99Ms = percentile(lastArrivals, 0.99);

    // Sustained: kInFlight messages on the way; each done when all but its sender have it.
    constexpr int kInFlight = 32;
    constexpr double kSeconds = 5;
    std::vector<int> receivedBy;
    std::vector<int> senderOf;
    int nextSender = 1;
    long done = 0;
    auto post = [&] {
        const int id = int(receivedBy.size());
        receivedBy.push_back(0);
        senderOf.push_back(nextSender);
        crowd.send(nextSender, protocol.message("m" + std::to_string(id)));
        nextSender = nextSender % (clients - 1) + 1;
    };
    crowd.onMessage = [&](int client, std::string_view text) {
        if (text.size() < 2 || text[0] != 'm')
            return;
        const int id = std::atoi(std::string(text.substr(1)).c_str());
        if (id < 0 || id >= int(receivedBy.size()) || client == senderOf[id])
            return;
        if (++receivedBy[id] == clients - 1) {
            ++done;
            post();
        }
    };
    for (int i = 0; i < kInFlight; ++i)
        post();
    const auto start = Clock::now();
    while (msSince(start) < kSeconds * 1000)
        crowd.poll(100);
    figures.messagesPerSecond = double(done) / (msSince(start) / 1000);
    crowd.onMessage = nullptr;
    return figures;
}

int freePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

bool listening(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

pid_t start(const std::vector<std::string> &command, int port)
{
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        std::vector<char *> argv;
        for (const std::string &word : command)
            argv.push_back(const_cast<char *>(word.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    servers().push_back(pid);
    for (int i = 0; i < 100 && !listening(port); ++i)
        usleep(50000);
    if (!listening(port))
        fail(command[0] + " did not start listening");
    return pid;
}

void stop(pid_t pid)
{
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    servers().erase(std::find(servers().begin(), servers().end(), pid));
}

// A configuration for ngircd: this port on loopback, no DNS, ident or PAM look-ups, no limits on
// connections, connections per address or joins (Debian's defaults are 500, 10 and 10), and no
// penalty times (which hold every new client back for seconds, and would throttle the senders
// more than our rate does); everything else as Debian ships it.
std::string writeIrcConfiguration(const std::string &folder, int port)
{
    const std::string path = folder + "/ngircd.conf";
    std::ofstream conf(path);
    conf << "[Global]\nName = bench.localhost\nInfo = bench\nListen = 127.0.0.1\nPorts = " << port
         << "\nMotdPhrase = bench\nPidFile = " << folder << "/ngircd.pid\n"
         << "[Limits]\nMaxConnections = 0\nMaxConnectionsIP = 0\nMaxJoins = 0\nMaxPenaltyTime = 0\nPingTimeout = 600\n"
         << "PongTimeout = 600\n"
         << "[Options]\nDNS = no\nIdent = no\nPAM = no\nIncludeDir = " << folder << "\n";
    return path;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        fail("usage: server_scale_bench LIVEHELP_SERVER NGIRCD [CLIENTS...]");
    std::vector<int> sizes;
    for (int i = 3; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {1000, 3000};

    // Every client is a descriptor here, and every member one in the server.
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    const int largest = *std::max_element(sizes.begin(), sizes.end());
    if (rlim_t(largest) + 64 > limit.rlim_cur)
        fail("the open-file limit (" + std::to_string(limit.rlim_cur) + ") is below " + std::to_string(largest) + " clients");
    signal(SIGPIPE, SIG_IGN);

    char folderTemplate[] = "/tmp/server-bench.XXXXXX";
    const std::string folder = mkdtemp(folderTemplate);

    std::printf("%-16s %7s %9s %12s %22s %14s\n", "server", "clients", "join s", "KiB/client", "last has it: med/p99", "messages/s");
    std::fflush(stdout);
    for (const int clients : sizes) {
        // Each server's line as soon as it is measured: a large room keeps ngircd joining for long.
        auto print = [clients](const char *name, const Figures &f) {
            std::printf("%-16s %7d %9.1f %12.1f %12.1f / %6.1f ms %14.0f\n", name, clients, f.joinSeconds, f.kibPerClient,
                        f.lastMedianMs, f.lastP99Ms, f.messagesPerSecond);
            std::fflush(stdout);
        };
        Figures ours, irc;
        {
            const int port = freePort();
            const pid_t server = start({argv[1], "--port", std::to_string(port)}, port);
            ours = measure(livehelpProtocol(), server, port, clients);
            stop(server);
        }
        print("livehelp-server", ours);
        {
            const int port = freePort();
            const pid_t server = start({argv[2], "--nodaemon", "--config", writeIrcConfiguration(folder, port)}, port);
            irc = measure(ircProtocol(), server, port, clients);
            stop(server);
        }
        print("ngircd", irc);
        std::printf("%-16s %7d %9.2f %12.2f %12.2f / %6.2f    %14.2f\n", "ratio ours/irc", clients, ours.joinSeconds / irc.joinSeconds,
                    ours.kibPerClient / irc.kibPerClient, ours.lastMedianMs / irc.lastMedianMs, ours.lastP99Ms / irc.lastP99Ms,
                    ours.messagesPerSecond / irc.messagesPerSecond);
        std::printf("aim at %d clients: at least ngircd's messages per second: %s\n", clients,
                    ours.messagesPerSecond >= irc.messagesPerSecond ? "met" : "NOT met");
        std::fflush(stdout);
    }
    std::system(("rm -rf " + folder).c_str());
    return 0;
}
