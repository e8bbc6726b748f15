// Writes heads and bodies: small answers in one write, large ones in 16 KiB pieces, slow ones trickled.
#include "ResponseWriter.h"

namespace exportserver {
namespace {

// One TLS record per write, which keeps 64 MiB downloads at memory speed.
constexpr std::size_t kPieceBytes = 16 * 1024;
constexpr std::chrono::seconds kWriteIdleLimit{60};

IoStatus SendBody(Stream& stream, const Body& body) {
    for (std::uint64_t offset = 0; offset < body.Size();) {
        const std::string_view piece = body.Piece(offset, kPieceBytes);
        if (const IoStatus status = stream.WriteAll(piece, kWriteIdleLimit); status != IoStatus::kOk) {
            return status;
        }
        offset += piece.size();
    }
    return IoStatus::kOk;
}

// Exactly `size` bytes (fewer only at the end), even where the body hands out shorter pieces.
std::string Gather(const Body& body, std::uint64_t offset, std::size_t size) {
    std::string out;
    while (out.size() < size) {
        const std::string_view piece = body.Piece(offset + out.size(), size - out.size());
        if (piece.empty()) {
            break;
        }
        out += piece;
    }
    return out;
}

void Trickle(Stream& stream, const ResponsePlan& plan) {
    if (stream.WriteAll(SerializeResponseHead(plan.status, plan.headers), kWriteIdleLimit) != IoStatus::kOk) {
        return;
    }
    for (std::uint64_t offset = 0; offset < plan.body.Size();) {
        const std::string piece = Gather(plan.body, offset, kTricklePieceBytes);
        if (stream.WriteAll(piece, kWriteIdleLimit) != IoStatus::kOk ||
            stream.Idle(Clock::now() + kTrickleInterval) != IoStatus::kOk) {
            return;
        }
        offset += piece.size();
    }
    stream.Finish();
}

}  // namespace

void Deliver(Stream& stream, const ResponsePlan& plan) {
    switch (plan.delivery) {
        case Delivery::kSend: {
            std::string head = SerializeResponseHead(plan.status, plan.headers);
            IoStatus status;
            if (plan.body.Size() <= kPieceBytes) {
                status = stream.WriteAll(head + plan.body.ToString(), kWriteIdleLimit);
            } else {
                status = stream.WriteAll(head, kWriteIdleLimit);
                status = status == IoStatus::kOk ? SendBody(stream, plan.body) : status;
            }
            if (status == IoStatus::kOk) {
                stream.Finish();
            }
            return;
        }
        case Delivery::kTrickle:
            Trickle(stream, plan);
            return;
        case Delivery::kHang:
            stream.Idle(Clock::time_point::max());
            return;
        case Delivery::kCloseWithoutAnswer:
            stream.Finish();
            return;
    }
}

}  // namespace exportserver
