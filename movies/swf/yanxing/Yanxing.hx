import flash.display.GradientType;
import flash.display.Graphics;
import flash.display.Shape;
import flash.display.Sprite;
import flash.events.Event;
import flash.events.KeyboardEvent;
import flash.events.MouseEvent;
import flash.geom.Matrix;
import flash.text.TextField;
import EyeShapes;

/** Eye shapes: nine drawn eyes that blink and follow the pointer; choosing one gives its reading. */
class Yanxing extends Sprite {
	var eyes:Array<Eye> = [];
	var cards:Array<Sprite> = [];
	var chosen = -1;
	var bigEye:Eye;
	var idleView:Sprite;
	var resultView:Sprite;
	var frame = 0;

	static function main() {
		flash.Lib.current.addChild(new Yanxing());
	}

	public function new() {
		super();
		var g = graphics;
		Ui.verticalGradient(g, 0, 0, Ui.StageWidth, Ui.StageHeight, 0xE9EEF0, 0xC9D4D8);
		// Faint ink mountains behind everything.
		g.beginFill(0x8FA3AA, 0.25);
		g.moveTo(0, 477);
		g.curveTo(80, 360, 170, 420);
		g.curveTo(260, 330, 360, 410);
		g.curveTo(440, 350, 520, 400);
		g.curveTo(600, 340, 674, 390);
		g.lineTo(674, 477);
		g.endFill();
		var title = Ui.text("眼型占卜", 28, 0x2E4A56);
		title.x = 20;
		title.y = 10;
		addChild(title);
		var hint = Ui.text("眼睛是心灵之窗，选一种最像的眼型", 14, 0x5A6E76);
		hint.x = 150;
		hint.y = 22;
		addChild(hint);
		for (i in 0...EyeShapes.All.length) {
			var card = new Sprite();
			card.x = 16 + (i % 3) * 140;
			card.y = 58 + Std.int(i / 3) * 138;
			drawCard(card, false, false);
			var eye = new Eye(EyeShapes.All[i], 1.0);
			eye.x = 66;
			eye.y = 56;
			card.addChild(eye);
			var label = Ui.centred((i + 1) + " " + EyeShapes.All[i].name, 17, 0x2E4A56, 66, 108);
			card.addChild(label);
			card.buttonMode = true;
			card.mouseChildren = false;
			var index = i;
			card.addEventListener(MouseEvent.CLICK, function(_) choose(index));
			card.addEventListener(MouseEvent.ROLL_OVER, function(_) drawCard(card, index == chosen, true));
			card.addEventListener(MouseEvent.ROLL_OUT, function(_) drawCard(card, index == chosen, false));
			cards.push(card);
			eyes.push(eye);
			addChild(card);
		}
		var panel = new Shape();
		var p = panel.graphics;
		p.lineStyle(3, 0x2E4A56);
		p.beginFill(0xFBFAF5);
		p.drawRoundRect(444, 14, 216, 450, 14, 14);
		p.endFill();
		p.lineStyle(1, 0x9FB4BC);
		p.drawRoundRect(450, 20, 204, 438, 10, 10);
		addChild(panel);
		idleView = new Sprite();
		var welcome = Ui.text("相传眼形能看出一个人的性情。\n\n请在左边九种眼型中，选出与你（或你想看的人）最相像的一种，点一下即可。\n\n也可以按数字键一至九来选。", 16, 0x34474E, 184, "left", 4);
		welcome.x = 460;
		welcome.y = 40;
		idleView.addChild(welcome);
		addChild(idleView);
		resultView = new Sprite();
		resultView.visible = false;
		addChild(resultView);
		var note = Ui.text("以上解读仅供娱乐", 12, 0x8A9AA0);
		note.x = 552 - note.width / 2;
		note.y = 438;
		addChild(note);
		addEventListener(Event.ENTER_FRAME, onFrame);
		addEventListener(Event.ADDED_TO_STAGE, function(_) {
			stage.addEventListener(KeyboardEvent.KEY_DOWN, function(e:KeyboardEvent) {
				var code:Int = e.keyCode;
				// Digits of the main row or of the number pad.
				var digit = code >= 97 && code <= 105 ? code - 96 : code - 48;
				if (digit >= 1 && digit <= EyeShapes.All.length)
					choose(digit - 1);
			});
		});
	}

	function drawCard(card:Sprite, selected:Bool, hovered:Bool) {
		var g = card.graphics;
		g.clear();
		g.lineStyle(selected ? 3 : 1.5, selected ? 0xB8322A : (hovered ? 0x4A7080 : 0x9FB4BC));
		g.beginFill(selected ? 0xFFF4E8 : (hovered ? 0xF6FAFB : 0xFFFFFF), 0.92);
		g.drawRoundRect(0, 0, 132, 128, 12, 12);
		g.endFill();
		g.lineStyle();
	}

	function choose(index:Int) {
		var previous = chosen;
		chosen = index;
		if (previous >= 0)
			drawCard(cards[previous], false, false);
		drawCard(cards[index], true, false);
		idleView.visible = false;
		while (resultView.numChildren > 0)
			resultView.removeChildAt(0);
		var shape = EyeShapes.All[index];
		bigEye = new Eye(shape, 1.3);
		bigEye.x = 552;
		bigEye.y = 92;
		bigEye.opening = 0;
		resultView.addChild(bigEye);
		resultView.addChild(Ui.centred(shape.name, 26, 0xB8322A, 552, 152));
		var reading = Ui.text(shape.reading, 15, 0x34474E, 186, "left", 4);
		reading.x = 460;
		reading.y = 176;
		resultView.addChild(reading);
		resultView.visible = true;
		resultView.alpha = 0;
	}

	function onFrame(_) {
		frame++;
		var mx = mouseX;
		var my = mouseY;
		for (i in 0...eyes.length) {
			var eye = eyes[i];
			var card = cards[i];
			eye.look(mx - card.x - eye.x, my - card.y - eye.y);
			// Each eye blinks now and then, at its own moments.
			var cycle = (frame + i * 37) % (150 + i * 13);
			eye.opening = cycle < 8 ? Math.abs(cycle - 4) / 4 : 1;
			eye.update();
		}
		if (resultView.visible && resultView.alpha < 1)
			resultView.alpha = Math.min(1, resultView.alpha + 0.08);
		if (bigEye != null) {
			// The chosen eye opens slowly, then follows the pointer too.
			if (bigEye.opening < 1)
				bigEye.opening = Math.min(1, bigEye.opening + 0.04);
			bigEye.look(mx - bigEye.x, my - bigEye.y);
			bigEye.update();
		}
	}
}

/** One drawn eye with brow, lids, lashes and an iris that looks towards a point. */
class Eye extends Sprite {
	public var opening = 1.0; // 0 closed .. 1 open

	var shape:EyeShape;
	var s:Float;
	var brow = new Shape();
	var lid = new Sprite(); // white, iris and outline; squeezed to blink
	var white = new Shape();
	var iris = new Shape();
	var mask_ = new Shape();
	var outline = new Shape();
	var lookX = 0.0;
	var lookY = 0.0;

	public function new(shape:EyeShape, scale:Float) {
		super();
		this.shape = shape;
		s = scale;
		addChild(brow);
		addChild(lid);
		lid.addChild(white);
		lid.addChild(iris);
		lid.addChild(mask_);
		lid.addChild(outline);
		iris.mask = mask_;
		mouseEnabled = false;
		mouseChildren = false;
		draw();
	}

	/** The almond of the eye: upper lid from the inner corner to the outer, lower lid back. */
	function contour(g:Graphics) {
		var w = shape.width * s;
		var x0 = -w / 2;
		var x1 = w / 2;
		var y1 = shape.lift * s;
		var peakX = x0 + w * shape.peak;
		// A quadratic curve's middle lies halfway between its control point and its chord.
		var upperY = -2 * shape.upper * s + y1 / 2;
		g.moveTo(x0, 0);
		if (shape.angular) {
			g.curveTo(x0 + w * 0.1, -shape.upper * s * 0.9, peakX, -shape.upper * s);
			g.curveTo(x0 + w * 0.75, -shape.upper * s * 0.6, x1, y1);
		} else {
			g.curveTo(peakX, upperY, x1, y1);
		}
		g.curveTo(w * 0.05, 2 * shape.lower * s + y1 / 2, x0, 0);
	}

	function draw() {
		var w = shape.width * s;
		var b = brow.graphics;
		b.clear();
		if (shape.deep) {
			// A soft shadow of the socket under the brow bone.
			var m = new Matrix();
			m.createGradientBox(w * 1.3, shape.upper * s * 3.2, 0, -w * 0.65, -shape.upper * s * 2.4);
			b.beginGradientFill(GradientType.RADIAL, [0x6A4A40, 0x6A4A40], [0.32, 0.0], [90, 255], m);
			b.drawEllipse(-w * 0.65, -shape.upper * s * 2.4, w * 1.3, shape.upper * s * 3.2);
			b.endFill();
		}
		// The brow follows the eye's tilt.
		var browY = -shape.upper * s - 16 * s;
		b.lineStyle(5 * s, 0x3A2A22);
		b.moveTo(-w * 0.55, browY + 4 * s);
		b.curveTo(-w * 0.05, browY - 9 * s + shape.lift * s * 0.3, w * 0.58, browY + shape.lift * s * 0.8);
		b.lineStyle();

		var g = white.graphics;
		g.clear();
		g.beginFill(0xFFFFFF);
		contour(g);
		g.endFill();
		var k = mask_.graphics;
		k.clear();
		k.beginFill(0x000000);
		contour(k);
		k.endFill();
		var i = iris.graphics;
		i.clear();
		var r = Math.min(shape.upper + shape.lower, 30) * 0.62 * s;
		var m = new Matrix();
		m.createGradientBox(r * 2, r * 2, 0, -r, -r);
		i.beginGradientFill(GradientType.RADIAL, [0x8A5A30, 0x4A2A14, 0x2A160A], [1.0, 1.0, 1.0], [0, 170, 255], m);
		i.drawCircle(0, 0, r);
		i.endFill();
		i.beginFill(0x0A0604);
		i.drawCircle(0, 0, r * 0.45);
		i.endFill();
		i.beginFill(0xFFFFFF, 0.9);
		i.drawCircle(-r * 0.35, -r * 0.35, r * 0.2);
		i.endFill();
		var o = outline.graphics;
		o.clear();
		o.lineStyle(2.2 * s, 0x2A1A14);
		contour(o);
		o.lineStyle();
		// Lashes along the outer half of the upper lid.
		var x1 = w / 2;
		var y1 = shape.lift * s;
		o.lineStyle(1.3 * s, 0x2A1A14);
		for (n in 0...5) {
			var t = 0.55 + n * 0.1;
			var lx = -w / 2 + w * t;
			var ly = upperLidY(t);
			o.moveTo(lx, ly);
			o.lineTo(lx + 4 * s, ly - 5 * s);
		}
		if (shape.crease) {
			o.lineStyle(1.2 * s, 0x7A5A4A, 0.8);
			o.moveTo(-w * 0.38, -shape.upper * s * 0.95);
			o.curveTo(w * (shape.peak - 0.5), -2 * shape.upper * s - 10 * s + y1 / 2, x1 * 0.92, y1 - 5 * s);
		}
		o.lineStyle();
	}

	/** The height of the upper lid at fraction t of the width (for the lashes). */
	function upperLidY(t:Float):Float {
		var y1 = shape.lift * s;
		var c = -2 * shape.upper * s + y1 / 2;
		if (shape.angular)
			return -shape.upper * s * (1 - t) + y1 * t;
		return 2 * (1 - t) * t * c + t * t * y1;
	}

	/** Turns the iris towards (dx, dy), a point relative to the eye. */
	public function look(dx:Float, dy:Float) {
		var d = Math.sqrt(dx * dx + dy * dy);
		var reach = shape.width * s * 0.22;
		var f = d < 1 ? 0 : Math.min(reach, d * 0.15) / d;
		lookX = dx * f;
		lookY = dy * f * 0.5;
	}

	public function update() {
		iris.x = lookX;
		iris.y = lookY + shape.lift * s * 0.3;
		lid.scaleY = Math.max(0.06, opening);
	}
}
