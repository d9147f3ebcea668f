"""What the soak throws at a silent installation, and the exit codes each throw allows.

Download modes (-downloadtype): 1 the single libcurl stream (resumes, digest check, retry once after
a digest mismatch), 2 the system URL download (three whole tries, no resumption, no digest, at most
20 redirects), 3 the segmented download (resumes each segment, digest check).

Exit codes: 0 installed, 21 the old uninstaller failed, 30 the download failed for good, 40 the
package failed.
"""

import dataclasses
import random

MODES = (1, 2, 3)
OK, UNINSTALL_FAILED, DOWNLOAD_FAILED, INSTALL_FAILED = 0, 21, 30, 40


@dataclasses.dataclass
class Plan:
    mode: int
    fault_name: str
    fault_text: str
    faults: list               # (request path, form) pairs for the package server
    download: dict             # mode -> exit codes the download alone allows (OK or DOWNLOAD_FAILED)
    behaviour_text: str
    install_outcome: int       # what the package's behaviour makes of a downloaded package
    uninstaller_text: str
    uninstall_outcome: int     # what the old uninstaller's behaviour gives when it runs
    environment: dict
    linger_ms: int
    collector_text: str
    collector_fault: dict      # form for the collector's fault endpoint (empty: healthy)


def either(*codes):
    return {mode: set(codes) for mode in MODES}


def by_mode(one, two, three):
    return {1: set(one), 2: set(two), 3: set(three)}


# Each fault: (name, weight, builder(rng, package path) -> (text, faults, download outcomes)).
def _none(rng, package, size):
    return "none", [], either(OK)


def _cut(rng, package, size):
    # Every answer ends after n body bytes; a resumed answer carries n more. The single stream has
    # 12 cut attempts: a third of the file each gets through, a twentieth never does. The
    # segmented mode cuts each of its two ranges the same way; the system download never resumes.
    if rng.random() < 0.6:
        n = size // 3
        return f"drop_after={n} (1/3)", [(package, {"drop_after": n})], by_mode({OK}, {DOWNLOAD_FAILED}, {OK})
    n = size // 20
    return (f"drop_after={n} (1/20)", [(package, {"drop_after": n})],
            by_mode({DOWNLOAD_FAILED}, {DOWNLOAD_FAILED}, {OK, DOWNLOAD_FAILED}))


def _stall_short(rng, package, size):
    # A pause shorter than the stall limit (5 s): every mode waits it out.
    n, ms = size // rng.choice([2, 10]), rng.choice([800, 2500])
    return f"stall_after={n} stall_ms={ms}", [(package, {"stall_after": n, "stall_ms": ms})], either(OK)


def _stall_long(rng, package, size):
    # Stalls until the stall limit ends the attempt; each resumed attempt stalls again after n
    # bytes. The resuming modes get through; the system download has three whole tries.
    n = size // 2
    return f"stall_after={n}", [(package, {"stall_after": n})], by_mode({OK}, {DOWNLOAD_FAILED}, {OK})


def _fail_first(rng, package, size):
    # The single stream and the system download try again; the segmented mode's header probe
    # is the first request of both paths, and a failed probe ends its download at once.
    k = rng.choice([1, 2])
    path = rng.choice(["/software/387", package])
    return f"{path} fail_first={k}", [(path, {"fail_first": k})], by_mode({OK}, {OK}, {DOWNLOAD_FAILED})


def _always_500(rng, package, size):
    path = rng.choice(["*", package])
    return f"{path} status=500", [(path, {"status": 500})], either(DOWNLOAD_FAILED)


def _wrong_digest(rng, package, size):
    # The checking modes retry once and fail; the system download checks no digest.
    return "digest=wrong", [("/software/387", {"digest": "wrong"})], by_mode({DOWNLOAD_FAILED}, {OK}, {DOWNLOAD_FAILED})


def _other_digest(rng, package, size):
    # No digest in the final URL: the checking modes install unverified. The digest in upper case
    # is compared as text, as the downloaders always have: a mismatch for the checking modes.
    if rng.random() < 0.5:
        return "digest=none", [("/software/387", {"digest": "none"})], either(OK)
    return "digest=upper", [("/software/387", {"digest": "upper"})], by_mode({DOWNLOAD_FAILED}, {OK}, {DOWNLOAD_FAILED})


def _ignore_range(rng, package, size):
    # Whole bodies whatever the range asked. Alone, every mode must still get the file (the
    # segmented one must notice that its ranges were ignored). With cut answers a resumed attempt
    # starts from zero again and is cut at the same place: no mode may ever get through, and a
    # resuming mode must never append a whole body to the part it has.
    if rng.random() < 0.5:
        return "ignore_range=1", [(package, {"ignore_range": 1})], either(OK)
    n = size // rng.choice([2, 4])
    return f"ignore_range=1 drop_after={n}", [(package, {"ignore_range": 1, "drop_after": n})], either(DOWNLOAD_FAILED)


def _redirects(rng, package, size):
    k = rng.choice([1, 3, 8, 24])
    # 24 extra hops make 25 redirects: past the system download's limit of 20.
    return (f"redirects={k}", [("/software/387", {"redirects": k})],
            by_mode({OK}, {OK} if k < 20 else {DOWNLOAD_FAILED}, {OK}))


def _no_length(rng, package, size):
    # The libcurl downloaders refuse a package whose length they cannot learn (below 1 MiB or
    # unknown); the system download reads to the end of the connection.
    return "no_length=1", [(package, {"no_length": 1})], by_mode({DOWNLOAD_FAILED}, {OK}, {DOWNLOAD_FAILED})


def _slow(rng, package, size):
    rate = rng.choice([500_000, 1_500_000])
    return f"rate={rate}", [(package, {"rate": rate})], either(OK)


FAULTS = [
    ("none", 3, _none),
    ("cut body", 3, _cut),
    ("short stall", 2, _stall_short),
    ("long stall", 1, _stall_long),
    ("500 at first", 2, _fail_first),
    ("500 always", 1, _always_500),
    ("wrong digest", 2, _wrong_digest),
    ("other digest text", 1, _other_digest),
    ("ignored range", 2, _ignore_range),
    ("redirect chain", 2, _redirects),
    ("no length", 1, _no_length),
    ("slow", 1, _slow),
]

# Package behaviours: (name, weight, environment, outcome once the package is downloaded).
BEHAVIOURS = [
    ("plain", 4, {}, OK),
    ("split lines", 2, {"QV_PACKAGE_SPLIT_WRITES": "5", "QV_PACKAGE_SPLIT_PAUSE_MS": "2"}, OK),
    ("split characters", 1, {"QV_PACKAGE_SPLIT_CHAR": "1", "QV_PACKAGE_SPLIT_PAUSE_MS": "20",
                             "QV_PACKAGE_MESSAGE": "正在安装组件"}, OK),
    ("GBK lines", 1, {"QV_PACKAGE_ENCODE": "936", "QV_PACKAGE_MESSAGE": "正在安装组件"}, OK),
    ("stdout flood", 1, {"QV_PACKAGE_FLOOD_STDOUT": "3000000"}, OK),
    ("stderr flood", 1, {"QV_PACKAGE_FLOOD_STDERR": "3000000"}, OK),
    ("long value", 1, {"QV_PACKAGE_LONG_VALUE": "200000"}, OK),
    ("after verdict", 1, {"QV_PACKAGE_AFTER_VERDICT": "100000", "QV_PACKAGE_PROGRESS_PAUSE_MS": "1"}, OK),
    ("no override next", 1, {"QV_PACKAGE_IS_OVERRIDE": "false"}, OK),
    ("crash without verdict", 2, {"QV_PACKAGE_SILENT_EXIT": "139"}, INSTALL_FAILED),
    ("failure", 1, {"QV_PACKAGE_FAIL": "1"}, INSTALL_FAILED),
    ("error text", 1, {"QV_PACKAGE_ERROR": "磁盘已满", "QV_PACKAGE_FAIL": "1"}, INSTALL_FAILED),
]

# The collector: records it does not take must wait in the staging file for a later run.
COLLECTOR_FAULTS = [
    ("healthy", 6, {}),
    ("500s", 1, {"status": 500}),
    ("closes", 1, {"close": 1}),
    ("slow answers", 1, {"delay_ms": 4000}),
    ("takes one batch", 1, {"accept_first": 1}),
]

# The old uninstaller, when the run updates over an installation.
UNINSTALLERS = [
    ("plain", 6, {}, OK),
    ("split lines", 1, {"QV_UNINSTALL_SPLIT_WRITES": "3", "QV_UNINSTALL_SPLIT_PAUSE_MS": "2"}, OK),
    ("failure", 1, {"QV_UNINSTALL_FAIL": "1"}, UNINSTALL_FAILED),
]


def _pick(rng, table):
    return rng.choices(table, weights=[row[1] for row in table])[0]


def plan_run(rng: random.Random, package_path: str, package_size: int) -> Plan:
    fault_name, _, build = _pick(rng, FAULTS)
    fault_text, faults, download = build(rng, package_path, package_size)
    behaviour, _, environment, install_outcome = _pick(rng, BEHAVIOURS)
    uninstaller, _, uninstall_environment, uninstall_outcome = _pick(rng, UNINSTALLERS)
    collector_text, _, collector_fault = _pick(rng, COLLECTOR_FAULTS)
    return Plan(mode=rng.choice(MODES), fault_name=fault_name, fault_text=fault_text, faults=faults,
                download=download, behaviour_text=behaviour, install_outcome=install_outcome,
                uninstaller_text=uninstaller, uninstall_outcome=uninstall_outcome,
                environment={**environment, **uninstall_environment}, linger_ms=rng.choice([0, 200, 800]),
                collector_text=collector_text, collector_fault=collector_fault)


def allowed_exit_codes(plan: Plan, uninstall_runs: bool) -> set:
    """The old uninstaller runs first and its failure ends the run; then the download decides
    whether the package's behaviour gets to matter."""
    if uninstall_runs and plan.uninstall_outcome != OK:
        return {plan.uninstall_outcome}
    return {DOWNLOAD_FAILED if d == DOWNLOAD_FAILED else plan.install_outcome for d in plan.download[plan.mode]}
