#!/usr/bin/env python3
"""The real program, run as a station runs it, held against the independent reference (abi_reference).

One configuration per run: generated full-disk files of a visible band (B02), the band with the 14-bit fill
(B07), a water-vapour band (B08) and B13 go through stratolux (a headless scan, or single-file mode) or
abiconvert. Each PNG must equal the reference pixel for pixel, each JPEG decoded must lie within 3 grey levels
of the PNG on at least 99 % of its pixels, every image must lie where its name says, and the received file
must be gone, archived only when asked. The images are decoded with Pillow, not with the program's codecs.

    end_to_end.py --bin BUILD_DIR CONFIGURATION     (--list names the configurations)
"""

import argparse
import atexit
import datetime
import os
import re
import select
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request
from dataclasses import dataclass, field
from pathlib import Path

import netCDF4
import numpy as np
from PIL import Image

import abi_reference

Image.MAX_IMAGE_PIXELS = None  # a band-2 full disk is 470 million pixels

BANDS = (2, 7, 8, 13)
SMALL_SIDE = 678
# Each band's grid on a real full disk.
FULL_SIDE = {2: 21696, 7: 5424, 8: 5424, 13: 5424}
JPEG_TOLERANCE = 3
JPEG_SHARE = 0.99
# The web page's view is a JPEG made again from the published JPEG.
VIEW_TOLERANCE = 8
PROCESSING_TIMEOUT_S = 600


@dataclass
class Configuration:
    settings: dict = field(default_factory=dict)  # beyond the folders, the bands and both formats
    run: str = "scan"  # "scan", "single" (one start per file, the file on the command line) or "abiconvert"
    full_disk: bool = False
    web: bool = False


CONFIGURATIONS = {
    # The settings file names nothing else: archive off, dated folders on, short names on.
    "defaults": Configuration(web=True),
    "archive": Configuration(settings={"SaveAsNetCDF": 1}),
    "flat-folders": Configuration(settings={"DatesInFolders": 0}),
    "long-names": Configuration(settings={"ShortImageNames": 0}),
    "long-names-archive-flat": Configuration(
        settings={"ShortImageNames": 0, "SaveAsNetCDF": 1, "DatesInFolders": 0}),
    "single-file": Configuration(run="single"),
    "single-file-archive": Configuration(run="single", settings={"SaveAsNetCDF": 1}),
    "abiconvert": Configuration(run="abiconvert"),
    "full-disk": Configuration(full_disk=True),
    "geotiff": Configuration(settings={"SaveAsGeoTIFF": 1}),
}


@dataclass
class Received:
    band: int
    path: Path
    start: datetime.datetime  # the scan start, whole minutes


def start_of(name):
    """The scan start written in an ABI file name (…_sYYYYDDDHHMMSSt_…), seconds dropped."""
    found = re.search(r"_s(\d{4})(\d{3})(\d{2})(\d{2})", name)
    year, day, hour, minute = (int(part) for part in found.groups())
    return datetime.datetime(year, 1, 1, hour, minute) + datetime.timedelta(days=day - 1)


def receive(abisample, folder, band, side):
    """Writes a band's file into the folder, older than the ten seconds in which it would still count as
    being written; gives its path."""
    printed = subprocess.run([abisample, "--band", str(band), "--size", str(side), "--out", str(folder)],
                             check=True, capture_output=True, text=True).stdout.split()
    path = Path(printed[-1])
    past = time.time() - 60
    os.utime(path, (past, past))
    return path


def generate(abisample, folder, full_disk):
    received = []
    for band in BANDS:
        path = receive(abisample, folder, band, FULL_SIDE[band] if full_disk else SMALL_SIDE)
        received.append(Received(band, path, start_of(path.name)))
    return received


def unusable_calibration(abisample, folder):
    """A band-14 file whose scale_factor is not a number: no temperature can be made of it."""
    path = receive(abisample, folder, 14, SMALL_SIDE)
    with netCDF4.Dataset(path, "r+") as dataset:
        dataset["Rad"].scale_factor = np.float32("nan")
    past = time.time() - 60
    os.utime(path, (past, past))
    return path


def expected_images(received, settings, folders):
    """The PNG and JPEG paths the images must have."""
    dated = settings.get("DatesInFolders", 1) == 1
    sub = received.start.strftime("%Y/%m/%d") if dated else ""
    if settings.get("ShortImageNames", 1) == 1:
        base = folders["images"] / sub / f"{received.start:%Y%m%d%H%M}-g16-b{received.band:02d}"
    else:
        base = folders["netcdf"] / sub / received.path.stem
    return base.with_suffix(".png"), base.with_suffix(".jpg")


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def write_settings(root, instance, configuration, folders, port):
    values = {
        "SourcePath": f"{folders['received']}/",
        "SavePath": f"{folders['images']}/",
        "NetCDFPath": f"{folders['netcdf']}/",
        "BandsSelected": ",".join(f"B{band:02d}" for band in (*BANDS, 14)),
        "SaveAsPNG": 1,
        "SaveAsJPEG": 1,
        **configuration.settings,
    }
    if port:
        values["WebPort"] = port
    settings = root / "config" / "Nimbrel" / f"{instance}.conf"
    settings.parent.mkdir(parents=True)
    settings.write_text("[General]\n" + "".join(f"{key}={value}\n" for key, value in values.items()))


class Program:
    """stratolux headless as a child process, its log read from standard output."""

    def __init__(self, executable, root, instance, arguments):
        run = root / "run"
        run.mkdir(mode=0o700, exist_ok=True)
        environment = dict(os.environ, XDG_CONFIG_HOME=str(root / "config"), XDG_RUNTIME_DIR=str(run),
                           XDG_DATA_HOME=str(root / "data"), QT_QPA_PLATFORM="offscreen")
        self.process = subprocess.Popen([executable, "--instance", instance, *arguments], env=environment,
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.log = []
        self.pending = b""

    def wait_for_outcomes(self, count):
        """The "Processed" and "failed" lines, once count of them have been logged."""
        deadline = time.monotonic() + PROCESSING_TIMEOUT_S
        while len(self.outcomes()) < count:
            left = deadline - time.monotonic()
            if left <= 0 or self.process.poll() is not None:
                raise AssertionError(f"{len(self.outcomes())} of {count} files reported:\n" + "\n".join(self.log))
            if select.select([self.process.stdout], [], [], left)[0]:
                chunk = os.read(self.process.stdout.fileno(), 65536)
                self.pending += chunk
                *lines, self.pending = self.pending.split(b"\n")
                self.log += [line.decode(errors="replace") for line in lines]
        return self.outcomes()

    def outcomes(self):
        return [line for line in self.log if " Processed " in line or " failed: " in line]

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        self.process.communicate(timeout=60)


def run_program(arguments, configuration, paths, folders, root, port):
    """Runs the program over the received files; gives the program, still running in a scan configuration,
    and the log line of each file's outcome by its name."""
    instance = f"reference-{os.getpid()}"
    # Run from the build tree, the program keeps its log, and the record of the files that stay, beside itself.
    for kept in (f"{instance}-process.log", f"{instance}-staying.json"):
        atexit.register(lambda kept=kept: (arguments.bin / "src/app" / kept).unlink(missing_ok=True))
    write_settings(root, instance, configuration, folders, port)
    executable = arguments.bin / "src/app/stratolux"
    if configuration.run == "single":
        lines = []
        for path in paths:
            program = Program(executable, root, instance, [str(path)])
            lines += program.wait_for_outcomes(1)
            program.stop()
        program = None
    else:
        program = Program(executable, root, instance, ["-start"])
        lines = program.wait_for_outcomes(len(paths))
    # A "Processed" line names no file, so a file is matched by its "failed" line, if any.
    outcomes = {path.name: next((line for line in lines if f" {path.name} failed: " in line), "Processed")
                for path in paths}
    return program, outcomes


def run_abiconvert(arguments, received, folders, refused=None):
    """Converts the received files; gives the paths of their images, or, for a refused file, the exit status."""
    files = [str(refused)] if refused else [str(file.path) for file in received]
    done = subprocess.run([arguments.bin / "tools/abiconvert/abiconvert", "--out", folders["images"], "--png",
                           "--jpeg", *files], capture_output=True)
    if refused:
        return done.returncode
    return {file.band: (folders["images"] / (file.path.stem + ".png"), folders["images"] / (file.path.stem + ".jpg"))
            for file in received}


def grey_pixels(source):
    image = Image.open(source)
    if image.mode not in ("L", "P"):
        image = image.convert("L")
    return np.asarray(image.convert("L"), dtype=np.uint8)


def compare(band, png, jpeg, reference):
    """The share of the PNG's pixels equal to the reference; raises when the images are not true to it."""
    png_pixels = grey_pixels(png)
    assert png_pixels.shape == reference.shape, f"B{band:02d}: PNG {png_pixels.shape}, reference {reference.shape}"
    exact = float(np.mean(png_pixels == reference))
    jpeg_pixels = grey_pixels(jpeg)
    assert jpeg_pixels.shape == reference.shape, f"B{band:02d}: JPEG {jpeg_pixels.shape}"
    near = float(np.mean(np.abs(jpeg_pixels.astype(np.int16) - png_pixels) <= JPEG_TOLERANCE))
    return exact, near


def check_geotiff(band, tif, reference):
    """The GeoTIFF's full-resolution image holds the reference's grey levels."""
    if not tif.exists():
        return [f"B{band:02d}: no GeoTIFF {tif}"]
    pixels = grey_pixels(tif)
    if pixels.shape != reference.shape:
        return [f"B{band:02d}: GeoTIFF {pixels.shape}, reference {reference.shape}"]
    exact = float(np.mean(pixels == reference))
    print(f"{'':24} B{band:02d}  GeoTIFF exact {exact:8.2%}")
    return [] if exact == 1 else [f"B{band:02d}: {1 - exact:.2%} of the GeoTIFF's pixels differ from the reference"]


def check_web_page(port, received, images, references):
    failures = []
    for file in received:
        code = f"B{file.band:02d}"
        with urllib.request.urlopen(f"http://127.0.0.1:{port}/image/{code}") as answer:
            served = answer.read()
        # With both formats the band's newest image is its JPEG.
        if served != images[file.band][1].read_bytes():
            failures.append(f"/image/{code} is not the published JPEG")
        with urllib.request.urlopen(f"http://127.0.0.1:{port}/view/{code}.jpg") as answer:
            view = grey_pixels(answer)
        reference = references[file.band]
        if view.shape != reference.shape:
            failures.append(f"/view/{code}.jpg is {view.shape}, the image {reference.shape}")
            continue
        near = float(np.mean(np.abs(view.astype(np.int16) - reference) <= VIEW_TOLERANCE))
        if near < JPEG_SHARE:
            failures.append(f"/view/{code}.jpg: {near:.2%} within {VIEW_TOLERANCE} levels of the reference")
    return failures


def check_received_files(configuration, received, folders):
    failures = []
    archived = configuration.settings.get("SaveAsNetCDF", 0) == 1
    dated = configuration.settings.get("DatesInFolders", 1) == 1
    for file in received:
        if file.path.exists():
            failures.append(f"{file.path.name} was not deleted")
        sub = file.start.strftime("%Y/%m/%d") if dated else ""
        if (folders["netcdf"] / sub / file.path.name).exists() != archived:
            failures.append(f"{file.path.name}: archive copy {'missing' if archived else 'kept unasked'}")
    hidden = [path.name for path in folders["netcdf"].rglob(".*")]
    if hidden:
        failures.append(f"left behind: {hidden}")
    return failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", type=Path, help="the build folder")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("configuration", nargs="?")
    arguments = parser.parse_args()
    if arguments.list:
        print("\n".join(CONFIGURATIONS))
        return 0
    configuration = CONFIGURATIONS[arguments.configuration]

    with tempfile.TemporaryDirectory(prefix="stratolux-reference-") as temporary:
        root = Path(temporary)
        folders = {name: root / name for name in ("received", "images", "netcdf")}
        for folder in folders.values():
            folder.mkdir()
        abisample = arguments.bin / "tools/samplegen/abisample"
        received = generate(abisample, folders["received"], configuration.full_disk)
        refused = unusable_calibration(abisample, folders["received"])
        references = {file.band: abi_reference.expected_grey(file.path, file.band) for file in received}

        failures = []
        if configuration.run == "abiconvert":
            images = run_abiconvert(arguments, received, folders)
            if run_abiconvert(arguments, [], folders, refused) == 0:
                failures.append(f"abiconvert converted {refused.name}, whose scale_factor is not a number")
            program = None
        else:
            port = free_port() if configuration.web else 0
            program, outcomes = run_program(arguments, configuration, [file.path for file in received] + [refused],
                                            folders, root, port)
            images = {file.band: expected_images(file, configuration.settings, folders) for file in received}
            failures += [line for name, line in outcomes.items() if name != refused.name and line != "Processed"]
            if outcomes[refused.name] == "Processed" or not refused.exists():
                failures.append(f"{refused.name}, whose scale_factor is not a number, was processed")

        for file in received:
            png, jpeg = images[file.band]
            missing = [str(path) for path in (png, jpeg) if not path.exists()]
            if missing:
                failures.append(f"B{file.band:02d}: not published: {', '.join(missing)}")
                continue
            exact, near = compare(file.band, png, jpeg, references[file.band])
            print(f"{arguments.configuration:24} B{file.band:02d}  PNG exact {exact:8.2%}   "
                  f"JPEG within {JPEG_TOLERANCE} of PNG {near:8.2%}")
            if exact < 1:
                failures.append(f"B{file.band:02d}: {1 - exact:.2%} of the PNG's pixels differ from the reference")
            if near < JPEG_SHARE:
                failures.append(f"B{file.band:02d}: JPEG within {JPEG_TOLERANCE} levels on only {near:.2%}")
            if configuration.settings.get("SaveAsGeoTIFF", 0) == 1:
                failures += check_geotiff(file.band, png.with_suffix(".tif"), references[file.band])
        if program:
            if configuration.web:
                failures += check_web_page(port, received, images, references)
            program.stop()
        if configuration.run != "abiconvert":
            failures += check_received_files(configuration, received, folders)
        if failures:
            print("\n".join(failures), file=sys.stderr)
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
