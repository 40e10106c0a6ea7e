import flash.display.GradientType;
import flash.display.Graphics;
import flash.display.Shape;
import flash.display.Sprite;
import flash.geom.Matrix;

/** Pieces of a shrine that both shrine movies draw: roof, pillars, burner, candles, smoke. */
class Temple {
	/** A tiled roof with upturned eaves, spanning left..right with its ridge at top. */
	public static function roof(g:Graphics, left:Float, right:Float, top:Float, eave:Float) {
		var mid = (left + right) / 2;
		var m = new Matrix();
		m.createGradientBox(right - left, eave - top, Math.PI / 2, left, top);
		g.lineStyle(2, 0x3B2412);
		g.beginGradientFill(GradientType.LINEAR, [0x5E6B5A, 0x2F3A30], [1.0, 1.0], [0, 255], m);
		g.moveTo(left - 18, eave - 16);
		g.curveTo(left + 10, eave - 2, left + 30, eave - 6);
		g.lineTo(right - 30, eave - 6);
		g.curveTo(right - 10, eave - 2, right + 18, eave - 16);
		g.curveTo(right - 30, top + 18, mid + 40, top);
		g.lineTo(mid - 40, top);
		g.curveTo(left + 30, top + 18, left - 18, eave - 16);
		g.endFill();
		// Rows of tiles.
		g.lineStyle(1, 0x1F261F, 0.7);
		var rows = 4;
		for (i in 1...rows) {
			var y = top + (eave - 6 - top) * i / rows;
			var inset = 40 * (1 - i / rows);
			g.moveTo(left + inset, y);
			g.curveTo(mid, y + 4, right - inset, y);
		}
		var columns = 14;
		for (i in 1...columns) {
			var x = left + (right - left) * i / columns;
			g.moveTo(mid + (x - mid) * 0.55, top + 2);
			g.lineTo(x, eave - 7);
		}
		// Ridge with a pearl.
		g.lineStyle(2, 0x3B2412);
		g.beginFill(0x7A3B1E);
		g.drawRoundRect(mid - 60, top - 8, 120, 10, 6, 6);
		g.endFill();
		g.beginFill(0xE8B84A);
		g.drawCircle(mid, top - 14, 7);
		g.endFill();
		g.lineStyle();
	}

	/** A red lacquered pillar. */
	public static function pillar(g:Graphics, x:Float, top:Float, bottom:Float, width:Float) {
		var m = new Matrix();
		m.createGradientBox(width, bottom - top, 0, x, top);
		g.beginGradientFill(GradientType.LINEAR, [0x7E1510, 0xC8372A, 0x7E1510], [1.0, 1.0, 1.0], [0, 110, 255], m);
		g.drawRect(x, top, width, bottom - top);
		g.endFill();
		g.beginFill(0xD9A441);
		g.drawRect(x - 3, top, width + 6, 7);
		g.drawRect(x - 5, bottom - 10, width + 10, 10);
		g.endFill();
	}

	/** A bronze incense burner standing on y. */
	public static function burner(g:Graphics, x:Float, y:Float, s:Float) {
		var m = new Matrix();
		m.createGradientBox(70 * s, 40 * s, 0, x - 35 * s, y - 40 * s);
		g.lineStyle(1.5, 0x3E2A10);
		g.beginGradientFill(GradientType.LINEAR, [0x6B4A1C, 0xC99A45, 0x6B4A1C], [1.0, 1.0, 1.0], [0, 120, 255], m);
		g.moveTo(x - 34 * s, y - 34 * s);
		g.lineTo(x + 34 * s, y - 34 * s);
		g.curveTo(x + 32 * s, y - 6 * s, x, y - 6 * s);
		g.curveTo(x - 32 * s, y - 6 * s, x - 34 * s, y - 34 * s);
		g.endFill();
		g.beginFill(0x8A6324);
		g.drawEllipse(x - 36 * s, y - 39 * s, 72 * s, 10 * s);
		g.endFill();
		// Legs and handles.
		g.beginFill(0x5A3E14);
		g.drawRect(x - 24 * s, y - 8 * s, 6 * s, 8 * s);
		g.drawRect(x + 18 * s, y - 8 * s, 6 * s, 8 * s);
		g.drawRect(x - 3 * s, y - 7 * s, 6 * s, 7 * s);
		g.endFill();
		g.lineStyle(3 * s, 0x8A6324);
		g.moveTo(x - 34 * s, y - 30 * s);
		g.curveTo(x - 46 * s, y - 34 * s, x - 40 * s, y - 44 * s);
		g.moveTo(x + 34 * s, y - 30 * s);
		g.curveTo(x + 46 * s, y - 34 * s, x + 40 * s, y - 44 * s);
		g.lineStyle();
		// Three sticks with glowing tips.
		for (i in 0...3) {
			var sx = x + (i - 1) * 9 * s;
			g.lineStyle(2 * s, 0xB5462E);
			g.moveTo(sx, y - 36 * s);
			g.lineTo(sx + (i - 1) * 3 * s, y - 80 * s);
			g.lineStyle();
			g.beginFill(0xFF7A2A);
			g.drawCircle(sx + (i - 1) * 3 * s, y - 80 * s, 2 * s);
			g.endFill();
		}
	}

	/** A candle with its stand; the flame is a separate Flame. */
	public static function candle(g:Graphics, x:Float, y:Float, h:Float) {
		g.beginFill(0x8A6324);
		g.drawEllipse(x - 14, y - 6, 28, 8);
		g.drawRect(x - 3, y - 16, 6, 12);
		g.drawEllipse(x - 10, y - 20, 20, 6);
		g.endFill();
		var m = new Matrix();
		m.createGradientBox(12, h, 0, x - 6, y - 18 - h);
		g.beginGradientFill(GradientType.LINEAR, [0xA81E14, 0xE0483A, 0xA81E14], [1.0, 1.0, 1.0], [0, 110, 255], m);
		g.drawRect(x - 6, y - 18 - h, 12, h);
		g.endFill();
	}
}

/** A flickering candle flame. */
class Flame extends Shape {
	var t:Float;

	public function new(x:Float, y:Float) {
		super();
		this.x = x;
		this.y = y;
		t = Math.random() * 10;
		update();
	}

	public function update() {
		t += 0.25;
		var sway = Math.sin(t * 1.7) * 1.5 + Math.sin(t * 4.3) * 0.7;
		var height = 16 + Math.sin(t * 3.1) * 2;
		var g = graphics;
		g.clear();
		var m = new Matrix();
		m.createGradientBox(24, 30, 0, -12, -26);
		g.beginGradientFill(GradientType.RADIAL, [0xFFD27A, 0xFFB040], [0.35, 0.0], [0, 255], m);
		g.drawCircle(0, -10, 16);
		g.endFill();
		g.beginFill(0xFF9A2A);
		g.moveTo(-4, 0);
		g.curveTo(-5, -height * 0.5, sway, -height);
		g.curveTo(5, -height * 0.5, 4, 0);
		g.curveTo(0, 3, -4, 0);
		g.endFill();
		g.beginFill(0xFFF2B0);
		g.drawEllipse(-1.8, -7, 3.6, 6);
		g.endFill();
	}
}

/** Incense smoke rising from a point: soft puffs that drift, grow and fade. */
class Smoke extends Sprite {
	var puffs:Array<{x:Float, y:Float, r:Float, life:Float, drift:Float}> = [];
	var canvas = new Shape();
	var tick = 0;

	public function new(x:Float, y:Float) {
		super();
		this.x = x;
		this.y = y;
		mouseEnabled = false;
		addChild(canvas);
	}

	public function update() {
		tick++;
		if (tick % 5 == 0)
			puffs.push({x: (Math.random() - 0.5) * 8, y: 0, r: 3, life: 1.0, drift: Math.random() * 6.28});
		var g = canvas.graphics;
		g.clear();
		var kept = [];
		for (p in puffs) {
			p.life -= 0.012;
			p.y -= 0.9;
			p.r += 0.18;
			p.x += Math.sin(p.drift + p.y * 0.04) * 0.5;
			if (p.life <= 0)
				continue;
			kept.push(p);
			g.beginFill(0xDDD8CC, 0.22 * p.life);
			g.drawCircle(p.x, p.y, p.r);
			g.endFill();
		}
		puffs = kept;
	}
}
