#pragma once
// Which short sound an alert plays, if any. Sounds are rare on purpose: only
// kinds that finish something or need the user chime by default, nothing
// plays while the user asked for silence, and never two within 10 seconds.

#include <array>
#include <optional>
#include <string_view>
#include <utility>

#include "core/base/RawEnum.h"
#include "core/base/Time.h"

namespace corvane {

// Raw values are the sound files' base names.
enum class NotchSound { petChime, success, earTick, petNom };

template <>
struct EnumCases<NotchSound> {
    static constexpr std::array cases{
        std::pair{NotchSound::petChime, std::string_view("pet_chime")},
        std::pair{NotchSound::success, std::string_view("success_chime")},
        std::pair{NotchSound::earTick, std::string_view("ear_tick")},
        std::pair{NotchSound::petNom, std::string_view("pet_nom")},
    };
};

// The two voices the pet can speak in; they babble for different lengths.
enum class PetVoice { first, second };

namespace NotchSoundRules {

inline constexpr double minimumGap = 10.0;  // seconds between two sounds

bool isDoneKind(std::string_view kind);       // something the user waited for finished
bool isAttentionKind(std::string_view kind);  // something needs the user now

// Every kind a module raises is news the pet may bring; only the pet's own
// messages ("pet.") and the program's own ("app.") stand outside.
bool isPetRelevant(std::string_view kind);

// The default of the per-kind ".sound" switch.
bool defaultOn(std::string_view kind);

// The sound for one alert before the silence rules: none when the kind's
// switch is off or the alert only repeated a visible one.
std::optional<NotchSound> pick(std::string_view kind, bool byPet, bool soundSwitchOn, bool coalesced);

struct Context {
    bool master = true;  // "sounds.enabled"
    bool quiet = false;
    bool muteAll = false;
    bool inCall = false;

    bool silenced() const { return !master || quiet || muteAll || inCall; }
};

struct Limiter {
    std::optional<WallTime> last;

    // Refuses within minimumGap of the last sound; otherwise remembers `now`.
    bool allow(WallTime now);
};

std::optional<NotchSound> decide(std::string_view kind, bool byPet, bool soundSwitchOn, bool coalesced,
                                 const Context& context, Limiter& limiter, WallTime now);

double babbleMaxSeconds(PetVoice voice);

// A reaction of the pet: one of its sounds, or a babble cut to its voice's length.
struct PetReaction {
    std::optional<NotchSound> sound;
    std::optional<double> babbleSeconds;

    static PetReaction playing(NotchSound sound) { return {sound, std::nullopt}; }
    static PetReaction babble(PetVoice voice) { return {std::nullopt, babbleMaxSeconds(voice)}; }
    bool operator==(const PetReaction&) const = default;
};

// The reaction when it may play now, under the same silence and gap rules.
std::optional<PetReaction> react(const PetReaction& reaction, const Context& context, Limiter& limiter, WallTime now);

}  // namespace NotchSoundRules

}  // namespace corvane
