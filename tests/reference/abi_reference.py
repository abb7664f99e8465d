"""The grey image that an ABI L1b radiance file must become, worked out from the file alone.

An independent account of the conversion, for holding the program's images against the truth: it reads the
file with netCDF4 and numpy and shares nothing with the program's own code.

- Bands 1 to 6 (visible and near infrared): a linear stretch. m is the largest count below the fill value;
  count i of 1 … m becomes trunc(255 × e), where r = i / m and e = exp(ln r) (gamma 1), each rounded to a
  32-bit float. Count 0, the fill value and every count above m are black. The program keeps count m itself
  white (its operator's guide lists this among its mends; the original scheme cleared it to black).
- Bands 7 to 16 (infrared): radiance L = count × scale_factor + add_offset (the 32-bit attributes widened to
  double), brightness temperature T = (fk2 / ln(fk1 / L + 1) − bc1) / bc2 with the band's fixed constants
  (T = 0 when L ≤ 0), then grey: 255 below 163 K, round(418 − T) up to 242 K, round(660 − 2T) up to 330 K,
  0 above; halves round to the even neighbour. The fill value and every count above it are white. Below the
  fill value every count gets its temperature, 14-bit counts of band 7 above 4095 included (the guide lists
  that mend too).
"""

import math

import netCDF4
import numpy as np

# fk1, fk2, bc1, bc2 of bands 7 to 16, the same for every satellite.
PLANCK = {
    7: (200774.0, 3689.09, 0.50777, 0.99929),
    8: (50361.4, 2326.57, 2.12504, 0.99541),
    9: (35494.0, 2070.47, 0.33291, 0.9992),
    10: (30092.5, 1959.61, 0.06984, 0.99983),
    11: (19373.3, 1692.07, 0.17462, 0.99951),
    12: (13438.2, 1497.84, 0.10861, 0.99966),
    13: (10736.4, 1389.86, 0.13445, 0.99955),
    14: (8483.1, 1284.9, 0.25361, 0.9991),
    15: (6401.46, 1169.8, 0.27049, 0.99894),
    16: (5066.03, 1082.03, 0.07574, 0.99968),
}

COUNT_RANGE = 65536


def grey_of_temperature(kelvin):
    if kelvin < 163:
        return 255
    if kelvin <= 242:
        return int(round(418 - kelvin))  # Python rounds halves to the even neighbour
    if kelvin <= 330:
        return int(round(660 - 2 * kelvin))
    return 0


def brightness_temperature(band, radiance):
    if radiance <= 0:
        return 0.0
    fk1, fk2, bc1, bc2 = PLANCK[band]
    return (fk2 / math.log(fk1 / radiance + 1) - bc1) / bc2


def infrared_table(band, fill_value, scale_factor, add_offset):
    table = np.full(COUNT_RANGE, 255, dtype=np.uint8)
    for count in range(max(0, min(fill_value, COUNT_RANGE))):
        radiance = count * float(scale_factor) + float(add_offset)
        table[count] = grey_of_temperature(brightness_temperature(band, radiance))
    return table


def visible_table(largest_count):
    table = np.zeros(COUNT_RANGE, dtype=np.uint8)
    for count in range(1, largest_count + 1):
        ratio = np.float32(count / largest_count)
        level = np.float32(math.exp(math.log(float(ratio))))
        table[count] = math.trunc(float(level) * 255)
    return table


def read_counts(path):
    """The Rad counts as unsigned 16-bit values (rows "y", columns "x"), and the variable."""
    dataset = netCDF4.Dataset(path)
    dataset.set_auto_maskandscale(False)
    radiance = dataset.variables["Rad"]
    counts = np.asarray(radiance[:])
    if counts.dtype == np.int16:
        counts = counts.view(np.uint16)
    attributes = {name: radiance.getncattr(name) for name in radiance.ncattrs()}
    dataset.close()
    return counts.astype(np.uint16, copy=False), attributes


def expected_grey(path, band):
    """The grey image (uint8, rows × columns) of the band-`band` file at path."""
    counts, attributes = read_counts(path)
    fill_value = int(np.int16(attributes["_FillValue"]))
    if band >= 7:
        table = infrared_table(band, fill_value, np.float32(attributes["scale_factor"]),
                               np.float32(attributes["add_offset"]))
    else:
        valid = counts[counts < fill_value] if fill_value > 0 else counts[:0]
        table = visible_table(int(valid.max()) if valid.size else 0)
    return table[counts]
