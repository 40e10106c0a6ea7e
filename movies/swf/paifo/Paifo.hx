import flash.display.GradientType;
import flash.display.Graphics;
import flash.display.Shape;
import flash.display.Sprite;
import flash.events.Event;
import flash.events.KeyboardEvent;
import flash.events.MouseEvent;
import flash.geom.Matrix;
import flash.text.TextField;
import LotText.Lot;
import Temple;

/** Drawing a lot: a shrine with a lot cylinder; shaking it makes one stick fall out. */
class Paifo extends Sprite {
	static inline var ShakeFrames = 60; // two seconds of shaking
	static inline var FallFrames = 26;
	static inline var StickCount = 18;
	// The slip's writing area, inside the paper's inner border.
	static inline var PanelLeft = 398;
	static inline var PanelRight = 646;
	static inline var PanelCentre = 522;
	static inline var MatterRow = 19;

	var flames:Array<Flame> = [];
	var smokes:Array<Smoke> = [];
	var halo:Shape;
	var cylinder:Sprite;
	var sticks:Array<Shape> = [];
	var fallen:Sprite; // the stick that falls out, its number written down its length
	var fallenNumber:TextField;
	var panel:Sprite;
	var idleText:Sprite;
	var resultView:Sprite;
	var shakeButton:Button;
	var pageButton:Button;
	var frame = 0;
	var shakeFrame = -1;
	var lot = 0; // the number drawn, [1, 100]; 0 before the first draw
	var page = 0; // the slip's page: 0 the verse, 1 the reading and the matters

	static function main() {
		flash.Lib.current.addChild(new Paifo());
	}

	public function new() {
		super();
		drawHall();
		drawCylinder();
		drawPanel();
		addEventListener(Event.ENTER_FRAME, onFrame);
		addEventListener(Event.ADDED_TO_STAGE, function(_) {
			stage.addEventListener(KeyboardEvent.KEY_DOWN, function(e:KeyboardEvent) {
				if (e.keyCode == 32 || e.keyCode == 13)
					shake();
				// Page Up/Down and the arrows turn the slip's page.
				else if (e.keyCode == 33 || e.keyCode == 34 || e.keyCode == 37 || e.keyCode == 39)
					turnPage();
			});
		});
	}

	function drawHall() {
		var g = graphics;
		Ui.verticalGradient(g, 0, 0, Ui.StageWidth, Ui.StageHeight, 0x4A1610, 0x2A0C08);
		// Wooden lattice of the back wall.
		g.lineStyle(1, 0x6A2A1A, 0.5);
		var y = 20;
		while (y < 330) {
			g.moveTo(0, y);
			g.lineTo(370, y);
			y += 24;
		}
		var x = 10;
		while (x < 370) {
			g.moveTo(x, 0);
			g.lineTo(x, 330);
			x += 24;
		}
		g.lineStyle();
		// The glow and the seated golden figure on a lotus throne.
		halo = new Shape();
		var h = halo.graphics;
		var m = new Matrix();
		m.createGradientBox(260, 260, 0, -130, -130);
		h.beginGradientFill(GradientType.RADIAL, [0xFFE9A0, 0xF0B040, 0xF0B040], [0.85, 0.35, 0.0], [0, 150, 255], m);
		h.drawCircle(0, 0, 130);
		h.endFill();
		h.lineStyle(2, 0xF6D77A, 0.6);
		h.drawCircle(0, 0, 62);
		h.drawCircle(0, 0, 92);
		halo.x = 185;
		halo.y = 120;
		addChild(halo);
		var figure = new Shape();
		var f = figure.graphics;
		var gold = new Matrix();
		gold.createGradientBox(140, 160, 0, 115, 70);
		f.beginGradientFill(GradientType.LINEAR, [0xB07A20, 0xF2C860, 0xB07A20], [1.0, 1.0, 1.0], [0, 128, 255], gold);
		// Head, shoulders and robe, crossed legs.
		f.drawEllipse(166, 72, 38, 44);
		f.drawEllipse(176, 60, 18, 16);
		f.moveTo(150, 128);
		f.curveTo(185, 110, 220, 128);
		f.curveTo(240, 160, 236, 206);
		f.lineTo(134, 206);
		f.curveTo(130, 160, 150, 128);
		f.drawEllipse(118, 188, 134, 38);
		f.endFill();
		f.lineStyle(1.5, 0x8A5A10, 0.8);
		f.moveTo(185, 124);
		f.curveTo(178, 160, 172, 196);
		f.moveTo(160, 176);
		f.curveTo(185, 168, 210, 176);
		f.lineStyle();
		// Lotus petals.
		for (i in 0...9) {
			var px = 110 + i * 19;
			var pm = new Matrix();
			pm.createGradientBox(26, 30, Math.PI / 2, px - 13, 214);
			f.beginGradientFill(GradientType.LINEAR, [0xF6B2A0, 0xC8504A], [1.0, 1.0], [0, 255], pm);
			f.moveTo(px - 13, 244);
			f.curveTo(px - 12, 222, px, 212);
			f.curveTo(px + 12, 222, px + 13, 244);
			f.endFill();
		}
		addChild(figure);
		// Altar table with its cloth.
		var t = new Shape();
		var a = t.graphics;
		Ui.verticalGradient(a, 0, 250, 370, 24, 0x9A2A1A, 0x6A1A10);
		Ui.verticalGradient(a, 20, 274, 330, 80, 0xB8302A, 0x8A1E16);
		a.lineStyle(2, 0xE0B04A);
		a.moveTo(20, 282);
		a.lineTo(350, 282);
		a.lineStyle();
		Ui.cloud(a, 120, 320, 1.6, 0xE0B04A);
		Ui.cloud(a, 250, 320, 1.6, 0xE0B04A);
		Temple.candle(a, 46, 252, 34);
		Temple.candle(a, 324, 252, 34);
		Temple.burner(a, 300, 252, 0.55);
		addChild(t);
		for (x in [46, 324]) {
			var flame = new Flame(x, 252 - 52);
			flames.push(flame);
			addChild(flame);
		}
		var smoke = new Smoke(300, 252 - 44);
		smokes.push(smoke);
		addChild(smoke);
		// The floor in front of the altar, where the lot falls.
		Ui.verticalGradient(g, 0, 354, 370, 123, 0x5A3A28, 0x3A2418);
		// Two hanging banners.
		for (bx in [8, 338]) {
			var banner = new Shape();
			var b = banner.graphics;
			b.beginFill(0xC8A040);
			b.drawRect(bx, 10, 24, 4);
			b.endFill();
			Ui.verticalGradient(b, bx + 2, 14, 20, 150, 0xD8402E, 0x9A1E14);
			b.beginFill(0x9A1E14);
			b.moveTo(bx + 2, 164);
			b.lineTo(bx + 12, 176);
			b.lineTo(bx + 22, 164);
			b.endFill();
			addChild(banner);
		}
		var left = Ui.text("心\n诚\n则\n灵", 15, 0xF6D77A, 20, "center");
		left.x = 10;
		left.y = 30;
		addChild(left);
		var right = Ui.text("有\n求\n必\n应", 15, 0xF6D77A, 20, "center");
		right.x = 340;
		right.y = 30;
		addChild(right);
	}

	function drawCylinder() {
		cylinder = new Sprite();
		// The sticks first, so the tube hides their lower ends.
		for (i in 0...StickCount) {
			var stick = new Shape();
			drawStick(stick.graphics, 150);
			stick.x = -24 + (i % 9) * 6 + (i >= 9 ? 3 : 0);
			stick.y = -150 - 22 - (i % 4) * 5 - (i >= 9 ? 8 : 0);
			stick.rotation = (i % 9 - 4) * 2.2;
			sticks.push(stick);
			cylinder.addChild(stick);
		}
		var tube = new Shape();
		var g = tube.graphics;
		var m = new Matrix();
		m.createGradientBox(72, 150, 0, -36, -150);
		g.lineStyle(2, 0x3A2008);
		g.beginGradientFill(GradientType.LINEAR, [0x6A3E14, 0xC08A3A, 0x7A4A18], [1.0, 1.0, 1.0], [0, 100, 255], m);
		g.moveTo(-32, -150);
		g.lineTo(32, -150);
		g.lineTo(36, 0);
		g.lineTo(-36, 0);
		g.lineTo(-32, -150);
		g.endFill();
		g.beginFill(0x3A2008);
		g.drawEllipse(-32, -156, 64, 12);
		g.endFill();
		// Bamboo joints and a red band with the word for lot.
		g.lineStyle(3, 0x4A2A0A);
		g.moveTo(-34, -100);
		g.lineTo(34, -100);
		g.moveTo(-35, -40);
		g.lineTo(35, -40);
		g.lineStyle();
		g.beginFill(0xA3271C);
		g.drawRect(-34, -88, 68, 38);
		g.endFill();
		cylinder.addChild(tube);
		var word = Ui.centred("签", 26, 0xF6D77A, 0, -69);
		cylinder.addChild(word);
		cylinder.x = 185;
		cylinder.y = 420;
		cylinder.buttonMode = true;
		cylinder.mouseChildren = false;
		cylinder.addEventListener(MouseEvent.CLICK, function(_) shake());
		addChild(cylinder);
		// Nearer the eye than the sticks in the tube, and wide enough to carry
		// its number in characters the stage shows legibly.
		fallen = new Sprite();
		drawStick(fallen.graphics, 150, 16);
		fallen.visible = false;
		addChild(fallen);
	}

	/** A bamboo stick, its red-tipped top at y = 0, its foot at y = length. */
	static function drawStick(g:Graphics, length:Float, width:Float = 6) {
		g.lineStyle(1, 0x7A5420);
		g.beginFill(0xE8C98A);
		g.drawRoundRect(-width / 2, 0, width, length, 4, 4);
		g.endFill();
		g.lineStyle();
		g.beginFill(0xC0261A);
		g.drawRoundRect(-width / 2, 0, width, 18, 4, 4);
		g.endFill();
	}

	function drawPanel() {
		panel = new Sprite();
		Ui.paper(panel.graphics, PanelLeft - 14, 14, 274, 448);
		// A click on the slip turns its page, as the button below does.
		panel.addEventListener(MouseEvent.CLICK, function(_) turnPage());
		addChild(panel);
		idleText = new Sprite();
		idleText.addChild(Ui.centred("拜佛求签", 32, 0x8C1C13, PanelCentre, 66));
		var lines = Ui.text("净手焚香，心中默念所求之事。\n\n准备好了，就点击签筒或按空格键摇签，直到一支签落下。\n\n筒中共有一百支签。签文分两页：前页是签诗、典故与圣意，下页是解曰与家宅、求财等十二事。", 16, 0x4A3020, 226, "left", 4);
		lines.x = 408;
		lines.y = 110;
		idleText.addChild(lines);
		addChild(idleText);
		// The slip's texts let clicks through to the paper beneath.
		resultView = new Sprite();
		resultView.mouseEnabled = false;
		resultView.mouseChildren = false;
		addChild(resultView);
		shakeButton = new Button("摇  签", 130, 38, shake);
		shakeButton.x = 456;
		shakeButton.y = 404;
		addChild(shakeButton);
		pageButton = new Button("下  页", 110, 38, turnPage, 0x7A4A18);
		pageButton.x = PanelLeft;
		pageButton.y = 404;
		pageButton.visible = false;
		addChild(pageButton);
	}

	function shake() {
		if (shakeFrame >= 0)
			return;
		lot = Lots.draw(Math.random());
		shakeFrame = 0;
		shakeButton.enabled = false;
		pageButton.visible = false;
		panel.buttonMode = false;
		fallen.visible = false;
		idleText.visible = false;
		clearSlip();
		resultView.addChild(Ui.centred("摇签中……", 24, 0x8C1C13, PanelCentre, 200));
	}

	function clearSlip() {
		while (resultView.numChildren > 0)
			resultView.removeChildAt(0);
	}

	function showLot() {
		page = 0;
		showPage();
		shakeButton.setCaption("再求一签");
		shakeButton.x = PanelRight - 130;
		shakeButton.enabled = true;
		pageButton.visible = true;
		panel.buttonMode = true;
		shakeFrame = -1;
	}

	/** Between the slip's two pages, once a lot is shown. */
	function turnPage() {
		if (!pageButton.visible)
			return;
		page = 1 - page;
		showPage();
	}

	function showPage() {
		clearSlip();
		var entry = Lots.All[lot - 1];
		if (page == 0)
			showVerse(entry);
		else
			showMatters(entry);
		pageButton.setCaption(page == 0 ? "下  页" : "上  页");
	}

	/** The front of the slip: number, name and grade, the verse, the story, 圣意. */
	function showVerse(entry:Lot) {
		resultView.addChild(Ui.centred("第" + Numerals.chinese(entry.number) + "签", 26, 0x8C1C13, PanelCentre, 40));
		resultView.addChild(Ui.centred(entry.name, 20, 0x5A2A18, PanelCentre, 72));
		// The grade in a seal: red for good, amber for middling, umber for
		// 中下, grey for bad.
		var seal = new Shape();
		var s = seal.graphics;
		var colour = switch (entry.grade) {
			case "上上签" | "上吉签": 0xB8261A;
			case "中下签": 0x6E4A2E;
			case "下下签": 0x505050;
			default: 0xB86A1A;
		};
		s.beginFill(colour);
		s.drawRoundRect(PanelCentre - 40, 89, 80, 28, 8, 8);
		s.endFill();
		resultView.addChild(seal);
		resultView.addChild(Ui.centred(entry.grade, 18, 0xFFF1C1, PanelCentre, 103));
		// The verse in four columns of seven, read from right to left as written.
		for (i in 0...4) {
			var chars = [];
			for (c in 0...entry.verse[i].length)
				chars.push(entry.verse[i].charAt(c));
			var column = Ui.text(chars.join("\n"), 24, 0x2A1A10, 34, "center", -2);
			column.x = 578 - i * 44;
			column.y = 126;
			resultView.addChild(column);
		}
		rule(302);
		var story = Ui.text("典故：" + entry.story, 16, 0x4A3020, PanelRight - PanelLeft, "center");
		redLabel(story, 2);
		story.x = PanelLeft;
		story.y = 310;
		resultView.addChild(story);
		// The deity's word, at most two lines of the panel.
		if (entry.divine != "") {
			var divine = Ui.text("圣意：" + entry.divine, 14, 0x5A2A18, PanelRight - PanelLeft, "center");
			redLabel(divine, 2);
			divine.x = PanelLeft;
			divine.y = 332;
			resultView.addChild(divine);
		}
		resultView.addChild(Ui.centred("解曰与十二事见下页", 14, 0x8A6A4A, PanelCentre, 380));
	}

	/** The back of the slip: the reading and the answers to the twelve matters. */
	function showMatters(entry:Lot) {
		resultView.addChild(Ui.centred("第" + Numerals.chinese(entry.number) + "签　" + entry.name, 20, 0x8C1C13, PanelCentre, 36));
		var reading = Ui.text("解曰：" + entry.reading, 15, 0x2A1A10, PanelRight - PanelLeft, "left", 3);
		redLabel(reading, 2);
		reading.x = PanelLeft;
		reading.y = 54;
		resultView.addChild(reading);
		var top = reading.y + reading.height + 4;
		rule(top);
		// One row per matter: the label in red, the answer after it.
		for (i in 0...LotText.MatterLabels.length) {
			var y = top + 6 + i * MatterRow;
			var label = Ui.text(LotText.MatterLabels[i], 15, 0x8C1C13);
			label.x = PanelLeft;
			label.y = y;
			resultView.addChild(label);
			var answer = Ui.text(entry.matters[i], 14, 0x2A1A10);
			answer.x = PanelLeft + 36;
			answer.y = y + 1;
			resultView.addChild(answer);
		}
	}

	/** Shows the first `length` characters of a text in the slip's red. */
	static function redLabel(field:TextField, length:Int) {
		var format = field.getTextFormat(0, length);
		format.color = 0x8C1C13;
		field.setTextFormat(format, 0, length);
	}

	function rule(y:Float) {
		var line = new Shape();
		line.graphics.lineStyle(1, 0xC9A25A);
		line.graphics.moveTo(PanelLeft + 4, y);
		line.graphics.lineTo(PanelRight - 4, y);
		resultView.addChild(line);
	}

	function onFrame(_) {
		frame++;
		for (f in flames)
			f.update();
		for (s in smokes)
			s.update();
		halo.alpha = 0.8 + 0.2 * Math.sin(frame * 0.05);
		halo.rotation = frame * 0.2;
		if (shakeFrame < 0) {
			// Idle: the cylinder sways gently, inviting a shake.
			cylinder.rotation = Math.sin(frame * 0.06) * 2;
			return;
		}
		shakeFrame++;
		if (shakeFrame <= ShakeFrames) {
			// Shaking faster and harder, the sticks rattling in the tube; the
			// chosen stick works its way up during the last third.
			var t = shakeFrame / ShakeFrames;
			cylinder.rotation = Math.sin(shakeFrame * (0.5 + t * 0.5)) * (6 + t * 10);
			for (i in 0...sticks.length) {
				var stick = sticks[i];
				stick.y = -172 - (i % 4) * 5 - (i >= 9 ? 8 : 0) + Math.sin(shakeFrame * 1.3 + i) * 4;
			}
			var rising = sticks[lot % StickCount];
			if (t > 0.66)
				rising.y -= (t - 0.66) * 3 * 70;
			return;
		}
		var fall = shakeFrame - ShakeFrames;
		if (fall == 1) {
			cylinder.rotation = -8;
			var rising = sticks[lot % StickCount];
			rising.visible = false;
			// The number read down the stick, as on a temple's lot sticks.
			if (fallenNumber != null)
				fallen.removeChild(fallenNumber);
			var digits = Numerals.chinese(lot);
			fallenNumber = Ui.text([for (i in 0...digits.length) digits.charAt(i)].join("\n"), 14, 0x8C1C13, 16, "center", -3);
			fallenNumber.x = -8;
			fallenNumber.y = 26;
			fallen.addChild(fallenNumber);
			fallen.visible = true;
		}
		var t = Ui.ease(fall / FallFrames);
		// From the mouth of the tube in an arc to the floor, turning to lie flat.
		fallen.x = 170 + t * 160;
		fallen.y = 230 - Math.sin(t * Math.PI) * 60 + t * 205;
		fallen.rotation = -10 + t * 105;
		cylinder.rotation = -8 * (1 - t);
		if (fall >= FallFrames + 6) {
			sticks[lot % StickCount].visible = true;
			for (i in 0...sticks.length)
				sticks[i].y = -172 - (i % 4) * 5 - (i >= 9 ? 8 : 0);
			showLot();
		}
	}
}
