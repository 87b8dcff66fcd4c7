#!/usr/bin/env python3
"""Writes maps/ring.vl: a small closed tram ring with two stops, houses around it and route 1.

The bundled demo city comes from the editor; this tiny map exists so that VellSim and the tests
have a sound network to run on. Run it from the project root."""
import struct

BORDER, WALL, HIGH_WALL, ARCH, RAIL, TREES = 0, 1, 2, 3, 4, 5
objects = []


def add(kind, x1, y1, x2, y2, r=136, g=136, b=136):
    objects.append(struct.pack('<4h4B', x1, y1, x2, y2, r, g, b, kind))
    return len(objects) - 1


def rail(x1, y1, x2, y2, grade=150, stop_type=0):
    return add(RAIL, x1, y1, x2, y2, grade, stop_type << 6, 0)


# A clockwise ring (Y grows downwards): 800 m along the top and bottom, 400 m on the sides,
# with its corners cut at 45 degrees (a rail continues only into a rail less than a right
# angle away).
corners = [(4600, 4800), (5400, 4800), (5450, 4850), (5450, 5150), (5400, 5200), (4600, 5200),
           (4550, 5150), (4550, 4850)]
ring = []
for (x1, y1), (x2, y2) in zip(corners, corners[1:] + corners[:1]):
    steps = max(1, max(abs(x2 - x1), abs(y2 - y1)) // 100)
    for k in range(steps):
        ax, ay = x1 + (x2 - x1) * k // steps, y1 + (y2 - y1) * k // steps
        bx, by = x1 + (x2 - x1) * (k + 1) // steps, y1 + (y2 - y1) * (k + 1) // steps
        # Two stops, one on the top side and one on the bottom side.
        stop = 3 if (k == 4 and y1 == y2) else 0
        ring.append(rail(ax, ay, bx, by, stop_type=stop))

# Houses along both long sides, a few tall ones, trees and a border.
for k in range(8):
    x = 4620 + k * 100
    add(WALL, x, 4760, x + 60, 4760, 180, 150, 120)
    add(WALL, x, 5240, x + 60, 5240, 180, 150, 120)
for k in range(3):
    add(HIGH_WALL, 4700 + k * 250, 4700, 4780 + k * 250, 4700, 120, 120, 140)
add(TREES, 4700, 5000, 5300, 5000, 40, 140, 40)
add(ARCH, 5000, 4790, 5000, 4810, 200, 200, 200)
add(BORDER, 4500, 4650, 5500, 4650, 90, 90, 90)

routes = [[(0, 0, [], 1, 10)] * 13 for _ in range(9)]
data = b'VL' + struct.pack('<H', len(objects)) + b''.join(objects)
for i in range(9):
    for j in range(13):
        if (i, j) == (0, 0):
            waypoints, cars, interval = [ring[0], ring[len(ring) // 2]], 2, 10
        else:
            waypoints, cars, interval = [], 1, 10
        data += struct.pack('<bB', len(waypoints), 0)
        data += b''.join(struct.pack('<H', w) for w in waypoints)
        data += struct.pack('<BB', cars, interval)
with open('maps/ring.vl', 'wb') as f:
    f.write(data)
print(f'maps/ring.vl: {len(objects)} objects, {len(data)} bytes')
